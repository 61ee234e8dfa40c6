#include "platform/screen/screen_duplication.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xdamage.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/Xrandr.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>

#include "platform/x11/x11_init.h"

namespace zovi::platform {

struct CScreenDuplication::Monitor {
    RECT rect{};
    XShmSegmentInfo segment{};
    XImage* image = nullptr;
    bool attached = false;
    bool hasImage = false;
    bool allDirty = true;  // the first acquire always copies everything
    std::vector<std::pair<int, int>> dirtyRows;  // [first, last) rows changed since
};

CScreenDuplication::CScreenDuplication(CScreenConnection& connection) : connection_(connection) {}

std::unique_ptr<CScreenDuplication> CScreenDuplication::Create(CScreenConnection& connection,
                                                               const std::vector<RECT>& monitors) {
    Display* display = connection.Display();
    int major = 0, minor = 0, damageError = 0, randrError = 0;
    Bool pixmaps = False;
    if (!XShmQueryVersion(display, &major, &minor, &pixmaps) || !connection.HasXFixes())
        return nullptr;
    std::unique_ptr<CScreenDuplication> self(new CScreenDuplication(connection));
    if (!XDamageQueryExtension(display, &self->damageEventBase_, &damageError) ||
        !XDamageQueryVersion(display, &major, &minor) ||
        !XRRQueryExtension(display, &self->randrEventBase_, &randrError))
        return nullptr;

    const int screen = DefaultScreen(display);
    for (const RECT& rc : monitors) {
        auto monitor = std::make_unique<Monitor>();
        monitor->rect = rc;
        monitor->image = XShmCreateImage(display, DefaultVisual(display, screen), 24, ZPixmap,
                                         nullptr, &monitor->segment, rc.right - rc.left,
                                         rc.bottom - rc.top);
        if (!monitor->image || monitor->image->bits_per_pixel != 32) {
            if (monitor->image) XDestroyImage(monitor->image);
            return nullptr;
        }
        Monitor* m = monitor.get();
        self->monitors_.push_back(std::move(monitor));
        m->segment.shmid = shmget(IPC_PRIVATE, static_cast<size_t>(m->image->bytes_per_line) *
                                                   m->image->height, IPC_CREAT | 0600);
        if (m->segment.shmid < 0) return nullptr;
        m->segment.shmaddr = static_cast<char*>(shmat(m->segment.shmid, nullptr, 0));
        if (m->segment.shmaddr == reinterpret_cast<char*>(-1)) {
            m->segment.shmaddr = nullptr;
            shmctl(m->segment.shmid, IPC_RMID, nullptr);
            return nullptr;
        }
        m->image->data = m->segment.shmaddr;
        m->segment.readOnly = False;
        x11::CXErrorTrap trap(display);
        m->attached = XShmAttach(display, &m->segment) && !trap.Failed();
        // Marked for removal at once: the segment goes when both sides detach, even
        // after a crash.
        shmctl(m->segment.shmid, IPC_RMID, nullptr);
        if (!m->attached) return nullptr;
    }
    self->damage_ = XDamageCreate(display, connection.Root(), XDamageReportNonEmpty);
    self->damaged_ = XFixesCreateRegion(display, nullptr, 0);
    XRRSelectInput(display, connection.Root(), RRScreenChangeNotifyMask);
    XSync(display, False);
    // Events about the state before this point say nothing new.
    self->DrainEvents();
    self->screenChanged_ = false;
    return self;
}

CScreenDuplication::~CScreenDuplication() {
    Display* display = connection_.Display();
    // A lost connection takes no more calls (from another thread than the one that found
    // it lost, one would block for ever); the server's side is gone with the server.
    if (!x11::ConnectionLost(display)) {
        x11::CXErrorTrap trap(display);
        if (damage_) XDamageDestroy(display, damage_);
        if (damaged_) XFixesDestroyRegion(display, damaged_);
        for (auto& m : monitors_) {
            if (m->attached) XShmDetach(display, &m->segment);
        }
        XSync(display, False);
    }
    for (auto& m : monitors_) {
        if (m->image) XDestroyImage(m->image);  // frees the record, not the segment
        if (m->segment.shmaddr) shmdt(m->segment.shmaddr);
    }
}

bool CScreenDuplication::DrainEvents() {
    Display* display = connection_.Display();
    bool damaged = false;
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == damageEventBase_ + XDamageNotify) damaged = true;
        else if (event.type == randrEventBase_ + RRScreenChangeNotify) screenChanged_ = true;
    }
    if (damaged) {
        // Take the changed parts before copying, so a change that lands during the copy
        // is reported again.
        XDamageSubtract(display, damage_, 0, damaged_);
        int count = 0;
        XRectangle* rects = XFixesFetchRegion(display, damaged_, &count);
        for (auto& m : monitors_) {
            for (int i = 0; i < count; ++i) {
                const int top = std::max<int>(rects[i].y, m->rect.top);
                const int bottom = std::min<int>(rects[i].y + rects[i].height, m->rect.bottom);
                const bool across = rects[i].x < m->rect.right && rects[i].x + rects[i].width > m->rect.left;
                if (across && top < bottom) m->dirtyRows.emplace_back(top - m->rect.top, bottom - m->rect.top);
            }
        }
        if (rects) XFree(rects);
    }
    return !screenChanged_;
}

CScreenDuplication::Acquire CScreenDuplication::AcquireMonitor(size_t index) {
    // Without its server the screen is gone for good.
    if (x11::ConnectionLost(connection_.Display())) return Acquire::AccessLost;
    if (index >= monitors_.size() || !DrainEvents()) return Acquire::AccessLost;
    Monitor& m = *monitors_[index];
    if (!m.allDirty && m.dirtyRows.empty()) return Acquire::NoChange;
    // Whole rows of the changed parts: the server writes rows of the image's full width,
    // so a band lands in place in the monitor's image.
    std::vector<std::pair<int, int>> bands;
    if (m.allDirty) {
        bands.emplace_back(0, m.image->height);
    } else {
        std::sort(m.dirtyRows.begin(), m.dirtyRows.end());
        for (const auto& rows : m.dirtyRows) {
            if (!bands.empty() && rows.first <= bands.back().second)
                bands.back().second = std::max(bands.back().second, rows.second);
            else
                bands.push_back(rows);
        }
    }
    Display* display = connection_.Display();
    // The request waits for its reply, so an error has arrived when it returns.
    x11::CXErrorTrap trap(display, /*syncOnExit=*/false);
    for (const auto& [first, last] : bands) {
        XImage band = *m.image;
        band.height = last - first;
        band.data = m.image->data + static_cast<size_t>(first) * m.image->bytes_per_line;
        if (!XShmGetImage(display, connection_.Root(), &band, m.rect.left, m.rect.top + first, AllPlanes) ||
            trap.ErrorCode() != 0)
            return Acquire::AccessLost;
    }
    m.allDirty = false;
    m.dirtyRows.clear();
    m.hasImage = true;
    return Acquire::NewImage;
}

bool CScreenDuplication::HasImage(size_t index) const {
    return index < monitors_.size() && monitors_[index]->hasImage;
}

const uint8_t* CScreenDuplication::Data(size_t index) const {
    return reinterpret_cast<const uint8_t*>(monitors_[index]->image->data);
}

int CScreenDuplication::Pitch(size_t index) const { return monitors_[index]->image->bytes_per_line; }

}  // namespace zovi::platform
