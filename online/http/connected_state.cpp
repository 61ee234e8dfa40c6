#include "online/http/connected_state.h"

#include "online/http/api_base.h"
#include "platform/http/http_session.h"

BOOL InternetGetConnectedState(DWORD* flags, DWORD reserved) {
    const bool reached = reserved == 0 && zovi::platform::ProbeHttpServer(GetApiBase() + "/", kConnectedStateTimeoutMs);
    if (flags != nullptr) *flags = reached ? INTERNET_CONNECTION_LAN : 0;
    return reached ? TRUE : FALSE;
}
