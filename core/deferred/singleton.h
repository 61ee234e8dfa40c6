// Process-wide singletons, made on first use and destroyed by the at-exit list in the
// order in which they were made. A class T derives from CSingletonT<T> and is reached
// through CSingletonT<T>::GetInstance().
#pragma once
#include <mutex>

#include "core/deferred/at_exit.h"

template <class T>
class CSingletonT {
public:
    // The instance, made first (with its at-exit entry) when there is none. Creation is
    // locked per class, so two threads never make two instances.
    static T* GetInstance() {
        std::lock_guard lock(Lock());
        if (!instance_) {
            instance_ = new T();
            AddAtExitCall(new CSingletonAtExit());
        }
        return instance_;
    }
    // The instance if one exists, without making it.
    static T* PeekInstance() {
        std::lock_guard lock(Lock());
        return instance_;
    }

    // Destroys the instance and empties the pointer; destroys itself on release.
    class CSingletonAtExit : public CDeferredProcCall {
    public:
        void Execute() override {
            T* instance;
            {
                std::lock_guard lock(Lock());
                instance = instance_;
                instance_ = nullptr;
            }
            delete instance;
        }
    };

protected:
    CSingletonT() = default;
    ~CSingletonT() = default;

private:
    // Never destroyed: getters may run during static destruction.
    static std::recursive_mutex& Lock() {
        static auto* lock = new std::recursive_mutex;
        return *lock;
    }
    static inline T* instance_ = nullptr;
};
