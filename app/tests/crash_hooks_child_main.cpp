// Runs the program's crash hooks into a fault, for the crash-hook tests. Arguments:
// reports folder, then "invalid" (the invalid-parameter path), "pure" (a call to a pure
// virtual function) or "throw" (an uncaught C++ exception).
#include <cstring>
#include <stdexcept>
#include <string>

#include "app/crash_hooks.h"
#include "crashrep/zovi_crashrep.h"
#include "platform/base/utf8.h"
#include "platform/crash/exception_filter.h"

namespace {

struct Base {
    Base() { CallF(this); }
    virtual ~Base() = default;
    virtual void F() = 0;
    __attribute__((noinline)) static void CallF(Base* self) { self->F(); }
};

struct Derived : Base {
    void F() override {}
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    SetUnhandledExceptionFilter(CrashExceptionFilter);
    const std::wstring folder = zovi::platform::DecodeUtf8Lossless(argv[1]);
    ZoviCrashRepSetOptions(folder.c_str(), 0);
    if (std::strcmp(argv[2], "invalid") == 0) InvalidParameterHandler();
    if (std::strcmp(argv[2], "pure") == 0) Derived derived;
    if (std::strcmp(argv[2], "throw") == 0) throw std::runtime_error("not caught");
    return 3;
}
