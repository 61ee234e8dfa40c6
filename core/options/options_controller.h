// Named events: any part of the program (on any thread) raises a name; the UI thread's
// idle pass hands every pending name, as one sorted set, to each registered options
// listener and then forgets them. A name raised twice before the pass arrives once.
#pragma once
#include <cstdint>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/deferred/singleton.h"
#include "platform/base/critical_section.h"

// Names raised in the program.
inline constexpr const wchar_t* kEventCameraOpened = L"CameraOpened";
inline constexpr const wchar_t* kEventCameraClose = L"CameraClose";
inline constexpr const wchar_t* kEventAccountLogin = L"AccountLogin";
inline constexpr const wchar_t* kEventAccountLogout = L"AccountLogout";
inline constexpr const wchar_t* kEventAccountNeedFlush = L"AccountNeedFlush";
inline constexpr const wchar_t* kEventMustNeedLogin = L"MustNeedLogin";

class IOptionsNotification {
public:
    // Every pending name of this idle pass, in sorted order.
    virtual void OnOptionsEvents(const std::set<std::wstring>& names) { (void)names; }
    // No caller yet.
    virtual void OnOptionsNotify1() {}
    virtual void OnOptionsNotify2() {}

protected:
    virtual ~IOptionsNotification() = default;
};

// A listener leaves the controller's list when it is destroyed.
class IOptionsNotificationListener : public IOptionsNotification {
protected:
    ~IOptionsNotificationListener() override;
};

class COptionsController final : public CSingletonT<COptionsController> {
public:
    // False when the listener is registered already.
    bool AddListener(IOptionsNotificationListener* listener);
    void RemoveListener(IOptionsNotificationListener* listener);
    // Adds a pending name. Any thread.
    void RaiseEvent(const std::wstring& name);
    void ClearEvents();
    // The idle pass's delivery (UI thread): when names are pending, calls every listener
    // registered when delivery began and still registered, in registration order, with
    // the whole set; then empties the set, so names raised by listeners meanwhile are
    // dropped.
    void DeliverPendingEvents();

private:
    friend class CSingletonT<COptionsController>;
    COptionsController() = default;
    ~COptionsController() = default;

    std::set<std::wstring> pending_;
    // Listeners with the serial of their registration (a new listener at a freed
    // address is a different entry).
    std::vector<std::pair<IOptionsNotificationListener*, std::uint64_t>> listeners_;
    std::uint64_t nextSerial_ = 1;
    CRITICAL_SECTION lock_;
    // The thread running a delivery (listeners are called outside the lock); its own
    // raises meanwhile are dropped.
    std::thread::id delivering_;
};

// Raises `name` on the process-wide controller.
void RaiseOptionsEvent(const std::wstring& name);
