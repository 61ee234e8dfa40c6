// Rendering a paint manager's tree offscreen, as the window would show it, for pixel
// checks and PNG artefacts under ${ZOVI_TEST_BIN_DIR}/artefacts/ for people to look at.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/window/window_types.h"

typedef struct _cairo_surface cairo_surface_t;

namespace DuiLib {
class CPaintManagerUI;
}

namespace DuiLib::test {

struct SurfaceDeleter {
    void operator()(cairo_surface_t* surface) const;
};
using SurfacePtr = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;

// A width x height RGB24 surface with the whole tree painted into it (laid out first).
SurfacePtr RenderToSurface(CPaintManagerUI& manager, int width, int height);
// Writes the surface as artefacts/<name>.png; the path written, or "" on failure.
std::string SaveArtefact(cairo_surface_t* surface, const std::string& name);
// 0xAARRGGBB of a pixel (alpha 0xFF for RGB24 surfaces); 0 outside the surface.
uint32_t PixelAt(cairo_surface_t* surface, int x, int y);
// How many pixels of `rc` differ from `background` (0x00RRGGBB compared).
int CountPixelsUnlike(cairo_surface_t* surface, const RECT& rc, uint32_t background);

}  // namespace DuiLib::test
