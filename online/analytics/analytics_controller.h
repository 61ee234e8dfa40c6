// The analytics sender: PostGAEvent queues an event and returns at once; one sender
// thread per process sends the queued events in order, one exchange at a time, without
// retry. Events still queued at the end are dropped.
//
// Threads: PostGAEvent may be called on any thread (the windows call it on the UI
// thread). The controller is made by the first PostGAEvent and destroyed by the at-exit
// list; ShutdownSender and the destructor run on the UI thread. Stopping the sender waits
// for an exchange in progress at most kAnalyticsExitBound, then aborts it through the
// transport's shutting-down flag, so a stalled service never holds the program's exit.
#pragma once
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "core/deferred/singleton.h"
#include "online/analytics/ga_event.h"

inline constexpr std::chrono::milliseconds kAnalyticsExitBound{2000};

class CGeneralAnalyticsController : public CSingletonT<CGeneralAnalyticsController> {
public:
    virtual ~CGeneralAnalyticsController();

    // Appends `event` to the queue and wakes the sender.
    void Push(std::shared_ptr<CGAEvent> event);

    // The program's exit, before the transport's shutting-down flag ends every transfer:
    // stops the sender of the controller, if one was made, giving its exchange in
    // progress up to kAnalyticsExitBound. Events posted afterwards stay queued, unsent.
    static void ShutdownSender();

private:
    friend class CSingletonT<CGeneralAnalyticsController>;
    CGeneralAnalyticsController();

    void SenderThreadProc();
    // Stops and joins the sender (once; later calls do nothing).
    void Stop();

    std::deque<std::shared_ptr<CGAEvent>> queue_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;  // under the mutex, like the queue
    // Set by the sender under the mutex as its last step; the destructor waits on `left_`.
    bool senderLeft_ = false;
    std::condition_variable left_;
    std::thread sender_;  // started last
};

// Builds the event (category, action, label: 8-bit texts) and queues it; always true.
bool PostGAEvent(const std::string& category, const std::string& action, const std::string& label);
