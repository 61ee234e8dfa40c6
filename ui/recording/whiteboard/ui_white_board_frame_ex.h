// DuiLib::CUIWhiteBoardFrameEx: the whiteboard, a borderless layered window ("UIWhiteBoardFrameEx",
// no layout) laid over the recorded area. The user draws freehand strokes, lines,
// arrows, rectangles and ellipses on it with the mouse; the drawings are kept as
// elements and shown through layered-window updates every 40 ms, so everything not
// drawn on stays see-through. Its toolbar (CUIWBToolBar) floats beside it and drives it
// through IWBToolBar; the shortcuts of table 128 reach the same actions.
//
// In pointer mode the picture's background is fully transparent, so the mouse reaches
// the windows below wherever nothing is drawn; in the drawing modes it is black at
// alpha 1, invisible but catching the mouse over the whole area.
//
// Made with shared ownership by its opener, which gives the drawing area before Create
// and keeps the object. When its window is finally gone it tells its state callback
// once. UI thread only.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/controller/wb_state_callback.h"
#include "platform/window/layered_input_catcher.h"
#include "ui/base/window_impl_base_impl.h"
#include "ui/recording/wb_toolbar/wb_accelerators.h"
#include "ui/recording/wb_toolbar/wb_tool_bar_interface.h"
#include "ui/recording/whiteboard/wb_layer.h"
#include "ui/recording/whiteboard/wb_paint_element.h"

namespace DuiLib {

class CUIWBToolBar;

class CUIWhiteBoardFrameEx : public WindowImplBaseImpl,
                             public IWBToolBar,
                             public ITranslateAccelerator,
                             public std::enable_shared_from_this<CUIWhiteBoardFrameEx> {
public:
    using PaintElement = WBPaintElement;

    static constexpr UINT_PTR kShowTimerId = 256;
    static constexpr UINT kShowPeriodMs = 40;
    static constexpr UINT kCloseCode = 1;
    static constexpr float kDefaultLineWidth = 2.0f;
    static constexpr uint32_t kPointerBackground = 0x00000000;  // the mouse falls through
    static constexpr uint32_t kDrawingBackground = 0x01000000;  // invisible, catches the mouse
    // How the capture controller's opener creates it over the recorded area.
    static constexpr DWORD kOverlayStyle = 0x00CF0000;    // overlapped
    static constexpr DWORD kOverlayExStyle = 0x00080088;  // layered, tool window, top-most
    static constexpr DWORD kRunModeExStyle = 0x00080000;  // layered

    // `stateCallback` may be empty.
    explicit CUIWhiteBoardFrameEx(std::shared_ptr<IWBStateCallback> stateCallback = nullptr);
    ~CUIWhiteBoardFrameEx() override;

    const wchar_t* GetWindowClassName() const override { return L"UIWhiteBoardFrameEx"; }
    CDuiString GetSkinFile() override { return L""; }

    // The drawing area in screen coordinates; given before Create, the layers are made
    // at its size. Given later, the layers are made again and the elements redrawn.
    void SetDrawArea(const RECT& area);
    const RECT& GetDrawArea() const { return m_rcDraw; }
    // Asks for the next layer update.
    void RaiseDirty() { ++m_nDirty; }

    // IWBToolBar
    void SetPaintMode(int32_t mode) override;
    void SetColor(uint32_t argb) override;
    void Revoke() override;
    void Clear() override;
    void Exit() override;
    void SetLineWidth(float width) override;

    // ITranslateAccelerator: S_OK (0) when table 128 translated the key.
    LRESULT TranslateAccelerator(MSG* pMsg) override;

    int32_t GetPaintMode() const { return m_nPaintMode; }
    uint32_t GetColor() const { return m_dwColor; }
    float GetLineWidth() const { return m_fLineWidth; }
    const std::vector<std::shared_ptr<PaintElement>>& GetElements() const { return m_vecElements; }
    const CWBLayer& GetCommittedLayer() const { return m_layer; }
    const CWBLayer& GetPreviewLayer() const { return m_previewLayer; }
    std::shared_ptr<CUIWBToolBar> GetToolBar() const { return m_pToolBar; }
    bool IsButtonDown() const { return m_bButtonDown != 0; }
    int32_t GetDirty() const { return m_nDirty; }
    const zovi::platform::CLayeredInputCatcher& GetInputCatcher() const { return m_catcher; }

protected:
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;
    void OnFinalMessage(HWND hWnd) override;

private:
    LRESULT OnCreateWindow(UINT uMsg, WPARAM wParam, LPARAM lParam);
    void OnButtonDown(POINT cursor);
    void OnPointerMove(POINT cursor);
    void OnButtonUp(POINT cursor);
    void OnShowTimer();
    bool OnShortcutCommand(UINT id);

    // Makes both layers at the area's size (releasing the old ones first).
    bool CreateLayers();
    // Clears the committed layer for the mode and draws every element, oldest first.
    void RedrawAll(bool pointerMode);
    void ShowLayer(const CWBLayer& layer);
    void Record(std::shared_ptr<PaintElement> element);

    std::weak_ptr<IWBStateCallback> m_pStateCallback;
    HWBACCEL m_hAccel = nullptr;
    RECT m_rcDraw{0, 0, 1024, 600};
    std::shared_ptr<CUIWBToolBar> m_pToolBar;
    CWBLayer m_layer;         // every recorded element
    CWBLayer m_previewLayer;  // a shape while it is dragged
    int32_t m_nDirty = 0;
    int32_t m_nPaintMode = kWBModePointer;
    uint8_t m_bButtonDown = 0;
    POINT m_ptStart{}, m_ptCurrent{};
    float m_fLineWidth = kDefaultLineWidth;
    uint32_t m_dwColor;
    std::vector<std::shared_ptr<PaintElement>> m_vecElements;
    std::vector<WBSegment> m_vecStroke;
    zovi::platform::CLayeredInputCatcher m_catcher;
};

}  // namespace DuiLib
