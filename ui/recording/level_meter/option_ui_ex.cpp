#include "ui/recording/level_meter/option_ui_ex.h"

#include "platform/duilib/core/render/render_engine.h"

namespace DuiLib {

void COptionUIEx::PaintBkColor(HDC hDC) {
    // A level outside 0..1 (or not a number) paints as the nearest end.
    const float level = m_fLevel > 0.0f ? (m_fLevel < 1.0f ? m_fLevel : 1.0f) : 0.0f;
    const int filled = static_cast<int>(static_cast<float>(m_rcItem.bottom - m_rcItem.top) * level);
    if (filled <= 0) return;
    const RECT bar{m_rcItem.left, m_rcItem.bottom - filled, m_rcItem.right, m_rcItem.bottom};
    CRenderEngine::DrawColor(hDC, bar, m_dwLevelColor);
}

}  // namespace DuiLib
