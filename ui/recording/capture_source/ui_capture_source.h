// DuiLib::CUICaptureSource: the modal capture-source picker. It lists the monitors (any
// mode but 0) or the windows that can be recorded (mode 0) as tiles with a thumbnail and
// a title; OK (result 1) takes the selected tile, the close button, Escape or a
// window-manager close give 2 and drop the entries. UI thread only.
//
//   auto picker = std::make_shared<CUICaptureSource>(CUICaptureSource::kListWindows);
//   picker->Create(owner, L"", 0x96C80000, 0);
//   if (picker->ShowModal() == 1) chosen = picker->GetChosenEntry();
#pragma once
#include <cstddef>
#include <memory>
#include <string>

#include "core/tolka/tolka_base.h"
#include "engine/video/capture_sources.h"
#include "platform/duilib/controls/container.h"
#include "ui/base/shadow_helper.h"
#include "ui/base/window_impl_base_impl.h"

namespace DuiLib {

class CUICaptureSource : public WindowImplBaseImpl,
                         public CShadowHelper,
                         public CTolkaBase,
                         public std::enable_shared_from_this<CUICaptureSource> {
public:
    static constexpr int kListWindows = 0;
    static constexpr int kListMonitors = 1;
    // Close codes: OK, and every other way out.
    static constexpr UINT kResultOK = 1;
    static constexpr UINT kResultClosed = 2;
    // The width of a tile's cell in a row (a 200-pixel tile and its share of the gaps).
    static constexpr int kTileCellWidth = 210;

    explicit CUICaptureSource(int mode);
    ~CUICaptureSource() override;

    const wchar_t* GetWindowClassName() const override { return L"CaptureSource"; }
    CDuiString GetSkinFile() override { return L"CaptureSource.xml"; }
    void InitWindow() override;
    void Notify(TNotifyUI& msg) override;
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    LRESULT OnTimer(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    // A close with any code but OK drops the entries.
    LRESULT OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    void ApplyStrings() override;

    // The entry of the selected tile; null when no tile was selected or the entries were
    // dropped.
    std::shared_ptr<zovi::engine::WindowInfo> GetChosenEntry() const;
    const zovi::engine::WindowInfoList& GetEntries() const { return m_entries; }

    // Tiles per row for a client width: max(1, width / 210).
    static int ColumnsForWidth(int clientWidth);
    // The image name a thumbnail is registered under ("#xxxxxxxx.bmp", from its handle).
    static std::wstring ThumbnailImageName(const zovi::platform::HBITMAP& thumbnail);

private:
    void FillList();
    // One tile for entry `index`.
    CControlUI* MakeTile(std::size_t index);
    void DropEntries();

    int m_nMode;
    CControlUI* m_pBtnClose = nullptr;
    CControlUI* m_pBtnOK = nullptr;
    CControlUI* m_pTitle = nullptr;
    CControlUI* m_pWarnText = nullptr;
    CContainerUI* m_pList = nullptr;
    zovi::engine::WindowInfoList m_entries;
    std::size_t m_nChosen = 0;
    bool m_bChosen = false;  // a tile was selected
};

}  // namespace DuiLib
