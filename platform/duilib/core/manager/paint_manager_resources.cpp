// CPaintManagerUI: the window's images ("#…" names added with AddImage) and fonts as the
// render engine asks for them, and the module and resource paths the program stores.
#include <unistd.h>

#include <algorithm>
#include <string>

#include "platform/base/utf8.h"
#include "platform/duilib/core/manager/paint_manager_impl.h"
#include "platform/duilib/core/render/render_engine.h"
#include "platform/gdi/dib_section.h"

namespace DuiLib {
namespace {

TImagePtr LookupImage(const CPaintManagerUI* manager, const wchar_t* name) { return manager->GetImage(name); }

const TFontInfo& LookupFont(const CPaintManagerUI* manager, int id) {
    return manager->GetFont(id);
}

HINSTANCE g_instance = nullptr;

CDuiString& ResourcePath() {
    static CDuiString* path = new CDuiString;  // read during exit too
    return *path;
}

}  // namespace

void RegisterRenderLookups() {
    static const bool registered = [] {
        CRenderEngine::SetImageLookup(&LookupImage);
        CRenderEngine::SetFontLookup(&LookupFont);
        return true;
    }();
    (void)registered;
}

bool CPaintManagerUI::AddImage(const wchar_t* name, const zovi::platform::HBITMAP& bitmap, int width, int height,
                               bool alpha, bool shared) {
    if (!name || !*name || !bitmap) return false;
    width = std::min(width, bitmap->Width());
    height = std::min(height, bitmap->Height());
    bitmap->BeginDirectAccess();
    TImagePtr image = CopyImage(bitmap->Bits(), width, height, bitmap->Stride(), alpha);
    bitmap->EndDirectAccess();
    if (!image) return false;
    if (shared) {
        AddSharedImage(name, std::move(image));
    } else {
        m_impl->images[name] = std::move(image);
    }
    Invalidate();
    return true;
}

TImagePtr CPaintManagerUI::GetImage(const wchar_t* name) const {
    if (!name) return nullptr;
    auto it = m_impl->images.find(name);
    if (it != m_impl->images.end()) return it->second;
    return FindSharedImage(name);
}

void CPaintManagerUI::RemoveImage(const wchar_t* name) {
    if (name) m_impl->images.erase(name);
}

void CPaintManagerUI::SetInstance(HINSTANCE instance) { g_instance = instance; }
HINSTANCE CPaintManagerUI::GetInstance() { return g_instance; }
void CPaintManagerUI::SetResourcePath(const wchar_t* path) { ResourcePath() = path; }
const CDuiString& CPaintManagerUI::GetResourcePath() { return ResourcePath(); }

CDuiString CPaintManagerUI::GetInstancePath() {
    char buffer[4096];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (length <= 0) return CDuiString(L"./");
    std::string path(buffer, static_cast<size_t>(length));
    const size_t slash = path.rfind('/');
    path = slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
    return CDuiString(zovi::platform::DecodeUtf8Lossless(path));
}

}  // namespace DuiLib
