#include "app/application_uploader.h"

#include <memory>
#include <vector>

#include "app/account_startup.h"
#include "core/files/file.h"
#include "core/url/mime_type_helper.h"
#include "online/http/api_base.h"
#include "online/http/wininet_http_request.h"
#include "platform/base/utf8.h"

bool CApplicationUploader::Run() {
    MakeAccountContext();
    const std::wstring url = zovi::platform::Utf8ToWide(GetApiBase() + "/v1/app/dumpfileinfo");
    auto it = params.find(PARAM_DMP_FILE);
    const std::wstring path = it != params.end() ? it->second : std::wstring();
    UploadDumpFile(url, path);
    return false;
}

void CApplicationUploader::UploadDumpFile(const std::wstring& url, const std::wstring& path) {
    std::string bytes;
    if (path.empty() || !ReadWholeFile(path, bytes)) return;

    auto request = std::make_shared<CWinINetHttpRequest>(L"default");
    std::vector<MultipartFormPart> parts(3);
    parts[0].name = "version";
    parts[0].value = "1.1.5";
    parts[1].isFile = true;
    const size_t slash = path.find_last_of(L"\\/");
    parts[1].fileName = zovi::platform::WideToUtf8(slash == std::wstring::npos ? path : path.substr(slash + 1));
    parts[1].contentType = zovi::platform::WideToUtf8(CMimeTypeHelper::GetInstance()->Lookup(path));
    parts[1].data = std::move(bytes);
    parts[2].name = "platform";
    parts[2].value = "win";

    if (request->Open(url.c_str(), L"PUT", {}) && request->SendMultipart(parts)) {
        zovi::core::CBuffer reply;
        request->ReceiveToMemory(reply);
    }
}
