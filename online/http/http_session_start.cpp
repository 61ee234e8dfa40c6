#include "online/http/http_session_start.h"

#include "core/files/data_folder.h"
#include "platform/base/utf8.h"
#include "platform/http/http_session.h"

void StartHttpSession() {
    zovi::platform::InitHttpLibrary();
    zovi::platform::SetHttpCookieFile(zovi::platform::EncodeUtf8Lossless(GetDataRootPath() + L"/cookies.txt"));
}
