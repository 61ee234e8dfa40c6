// CPaintManagerUI: invalidation, layout before painting, the back buffer, WM_PAINT, and
// the same painting into any image surface.
#include <cairo.h>

#include "platform/base/utf8.h"
#include "platform/duilib/controls/control.h"
#include "platform/duilib/core/manager/paint_clip.h"
#include "platform/duilib/core/manager/paint_manager_impl.h"
#include "platform/duilib/core/render/render_engine.h"
#include "platform/duilib/core/string/dui_log.h"
#include "platform/gdi/paint_context.h"
#include "platform/window/present.h"
#include "platform/window/window.h"

namespace DuiLib {
namespace {

// Lays out the controls that asked for it; a control that did takes its subtree along.
void LayoutRequested(CControlUI* control) {
    if (!control || !control->IsVisible()) return;
    if (control->IsUpdateNeeded()) {
        control->SetPos(control->GetPos(), false);
        return;
    }
    if (auto* container = static_cast<CContainerUI*>(control->GetInterface(L"Container"))) {
        for (int i = 0; i < container->GetCount(); ++i) LayoutRequested(container->GetItemAt(i));
    }
}

RECT SurfaceRect(cairo_surface_t* surface) {
    return RECT{0, 0, cairo_image_surface_get_width(surface), cairo_image_surface_get_height(surface)};
}

}  // namespace

void CPaintManagerUI::Invalidate() {
    if (m_hWndPaint) ::InvalidateRect(m_hWndPaint, nullptr, FALSE);
}

void CPaintManagerUI::Invalidate(const RECT& rc) {
    if (m_hWndPaint && !IsRectEmpty(rc)) ::InvalidateRect(m_hWndPaint, &rc, FALSE);
}

void CPaintManagerUI::SetLayeredImage(const wchar_t* image) {
    m_sLayeredImage = image;
    Invalidate();
}

RECT CPaintManagerUI::ClientRect() const {
    RECT rc{};
    if (m_hWndPaint && ::GetClientRect(m_hWndPaint, &rc) && !IsRectEmpty(rc)) return rc;
    return RECT{0, 0, m_impl->client.cx, m_impl->client.cy};
}

void CPaintManagerUI::LayoutIfNeeded(const RECT& client) {
    if (!m_pRoot) return;
    if (m_pRoot->IsUpdateNeeded() || !(m_pRoot->GetPos() == client)) {
        m_pRoot->SetPos(client, false);
    } else if (m_bUpdateNeeded) {
        LayoutRequested(m_pRoot);
    }
    m_bUpdateNeeded = false;
}

void CPaintManagerUI::PaintInto(cairo_surface_t* surface, const RECT& area) {
    RECT rc{};
    if (!surface || !IntersectRect(&rc, area, SurfaceRect(surface))) return;
    cairo_t* cr = cairo_create(surface);
    cairo_rectangle(cr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
    cairo_clip(cr);
    // The clear colour behind everything; layered windows start fully transparent.
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    const DWORD clear = IsLayered() ? 0 : m_dwClearColor;
    cairo_set_source_rgba(cr, ((clear >> 16) & 0xFF) / 255.0, ((clear >> 8) & 0xFF) / 255.0, (clear & 0xFF) / 255.0,
                          (clear >> 24) / 255.0);
    cairo_paint(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    zovi::platform::GdiContext context{cr};
    HDC hdc = zovi::platform::ToHdc(&context);
    if (IsLayered()) CRenderEngine::DrawImageString(hdc, this, ClientRect(), rc, m_sLayeredImage);
    if (m_pRoot && m_pRoot->IsVisible()) m_pRoot->DoPaint(hdc, rc);
    if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) {
        LogOnce(L"paint:cairo", L"painting left the Cairo context in error state: " +
                                    zovi::platform::Utf8ToWide(cairo_status_to_string(cairo_status(cr))));
    }
    cairo_destroy(cr);
    cairo_surface_flush(surface);
}

void CPaintManagerUI::PaintWindow() {
    PAINTSTRUCT ps{};
    if (!::BeginPaint(m_hWndPaint, &ps)) return;
    const RECT client = ClientRect();
    if (IsRectEmpty(client)) {
        ::EndPaint(m_hWndPaint, &ps);
        return;
    }
    LayoutIfNeeded(client);
    RECT rc = ps.rcPaint;
    // A new size (or the first paint) makes a new buffer, painted whole.
    const cairo_format_t format = IsLayered() ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24;
    cairo_surface_t*& buffer = m_impl->buffer;
    if (!buffer || cairo_image_surface_get_width(buffer) != client.right ||
        cairo_image_surface_get_height(buffer) != client.bottom || cairo_image_surface_get_format(buffer) != format) {
        if (buffer) cairo_surface_destroy(buffer);
        buffer = cairo_image_surface_create(format, client.right, client.bottom);
        rc = client;
    }
    if (cairo_surface_status(buffer) != CAIRO_STATUS_SUCCESS) {
        LogOnce(L"paint:buffer", L"no back buffer for a window of this size");
        cairo_surface_destroy(buffer);
        buffer = nullptr;
        ::EndPaint(m_hWndPaint, &ps);
        return;
    }
    if (IntersectRect(&rc, rc, client)) {
        PaintInto(buffer, rc);
        zovi::platform::PresentWindow(m_hWndPaint, buffer, rc);
    }
    ::EndPaint(m_hWndPaint, &ps);
}

void CPaintManagerUI::RenderToSurface(cairo_surface_t* surface, const RECT& rc) {
    if (!surface || cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE) return;
    RECT client = ClientRect();
    if (IsRectEmpty(client)) client = SurfaceRect(surface);
    LayoutIfNeeded(client);
    PaintInto(surface, rc);
}

}  // namespace DuiLib
