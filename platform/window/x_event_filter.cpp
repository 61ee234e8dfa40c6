#include "platform/window/x_event_filter.h"

#include <utility>

#include "platform/window/window_internal.h"

namespace zovi::platform {

using window_detail::MessageQueue;

int AddXEventFilter(XEventFilter filter) { return MessageQueue::Current().AddFilter(std::move(filter)); }

void RemoveXEventFilter(int id) { MessageQueue::Current().RemoveFilter(id); }

Display* ThreadDisplay() { return MessageQueue::Current().UiDisplay(); }

}  // namespace zovi::platform
