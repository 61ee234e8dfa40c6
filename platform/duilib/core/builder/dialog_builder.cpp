#include "platform/duilib/core/builder/dialog_builder.h"

#include <pugixml.hpp>

#include <functional>
#include <map>
#include <vector>

#include "platform/base/utf8.h"
#include "platform/duilib/controls/button.h"
#include "platform/duilib/controls/combo.h"
#include "platform/duilib/controls/container.h"
#include "platform/duilib/controls/edit.h"
#include "platform/duilib/controls/horizontal_layout.h"
#include "platform/duilib/controls/label.h"
#include "platform/duilib/controls/list.h"
#include "platform/duilib/controls/list_element.h"
#include "platform/duilib/controls/option.h"
#include "platform/duilib/controls/progress.h"
#include "platform/duilib/controls/rich_edit.h"
#include "platform/duilib/controls/slider.h"
#include "platform/duilib/controls/tab_layout.h"
#include "platform/duilib/controls/vertical_layout.h"
#include "platform/duilib/core/manager/paint_manager.h"
#include "platform/duilib/core/parse/value_parse.h"
#include "platform/duilib/core/resources/skin_archive.h"
#include "platform/duilib/core/string/dui_log.h"

namespace DuiLib {
namespace {

constexpr int kMaxIncludeDepth = 16;

std::wstring Wide(const char* text) { return zovi::platform::DecodeUtf8Lossless(text ? text : ""); }

// The library's own tags.
CControlUI* CreateKnown(const std::wstring& tag) {
    static const std::map<std::wstring, std::function<CControlUI*()>> kFactories = {
        {L"Control", [] { return new CControlUI; }},
        {L"Label", [] { return new CLabelUI; }},
        {L"Button", [] { return new CButtonUI; }},
        {L"Option", [] { return new COptionUI; }},
        {L"CheckBox", [] { return new COptionUI; }},  // an option without a group
        {L"Edit", [] { return new CEditUI; }},
        {L"Container", [] { return new CContainerUI; }},
        {L"VerticalLayout", [] { return new CVerticalLayoutUI; }},
        {L"HorizontalLayout", [] { return new CHorizontalLayoutUI; }},
        {L"Combo", [] { return new CComboUI; }},
        {L"List", [] { return new CListUI; }},
        {L"ListLabelElement", [] { return new CListLabelElementUI; }},
        {L"ListContainerElement", [] { return new CListContainerElementUI; }},
        {L"RichEdit", [] { return new CRichEditUI; }},
        {L"TabLayout", [] { return new CTabLayoutUI; }},
        {L"Slider", [] { return new CSliderUI; }},
        {L"Progress", [] { return new CProgressUI; }},
    };
    auto it = kFactories.find(tag);
    return it == kFactories.end() ? nullptr : it->second();
}

// One layout being built: where it came from, who makes unknown tags, whose fonts.
class CLayoutParser {
public:
    CLayoutParser(IDialogBuilderCallback* callback, CPaintManagerUI* manager)
        : callback_(callback), manager_(manager) {}

    // The document of `xml` (inline XML or a skin file); false after one ERROR line.
    bool Load(const std::wstring& xml, pugi::xml_document* doc, std::wstring* name) const {
        std::vector<unsigned char> bytes;
        pugi::xml_parse_result result;
        if (!xml.empty() && xml[0] == L'<') {
            *name = L"(inline layout)";
            const std::string text = zovi::platform::EncodeUtf8Lossless(xml);
            result = doc->load_buffer(text.data(), text.size());
        } else {
            *name = xml;
            if (xml.empty() || !SkinFileExists(xml) || !ReadSkinFile(xml, &bytes)) {
                LogError(L"layout missing: " + (xml.empty() ? std::wstring(L"(no name)") : xml));
                return false;
            }
            result = doc->load_buffer(bytes.data(), bytes.size());
        }
        if (!result) {
            LogError(L"layout does not parse: " + *name + L" (" + Wide(result.description()) + L" at byte " +
                     std::to_wstring(result.offset) + L")");
            return false;
        }
        return true;
    }

    // <Window> attributes and <Font> elements onto the paint manager.
    void ApplyWindow(const pugi::xml_node& window, bool attributes) const {
        if (!manager_) return;
        if (attributes) {
            for (const pugi::xml_attribute& attr : window.attributes()) ApplyWindowAttribute(Wide(attr.name()), Wide(attr.value()));
        }
        for (const pugi::xml_node& font : window.children("Font")) ApplyFont(font);
    }

    // The control elements under `node`; each goes into `parent` (a container) when
    // given, else only the first is built. Returns the first control built.
    CControlUI* ParseChildren(const pugi::xml_node& node, CControlUI* parent, const std::wstring& file, int depth) {
        CControlUI* first = nullptr;
        for (const pugi::xml_node& element : node.children()) {
            if (element.type() != pugi::node_element) continue;
            const std::wstring tag = Wide(element.name());
            if (tag == L"Font") continue;
            if (tag == L"Include") {
                CControlUI* included = Include(element, parent, file, depth);
                if (!first) first = included;
                continue;
            }
            if (!parent && first) {
                LogOnce(L"builder:extra:" + file, L"layout " + file + L": only the first control element is the root");
                break;
            }
            CControlUI* control = ParseElement(element, tag, parent, file, depth);
            if (!first) first = control;
        }
        return first;
    }

private:
    void ApplyWindowAttribute(const std::wstring& name, const std::wstring& value) const {
        SIZE size{};
        RECT rc{};
        DWORD color = 0;
        const wchar_t* v = value.c_str();
        if (name == L"size" && ParseSize(v, &size)) manager_->SetInitSize(size.cx, size.cy);
        else if (name == L"sizebox" && ParseRect(v, &rc, true)) manager_->SetSizeBox(rc);
        else if (name == L"caption" && ParseRect(v, &rc)) manager_->SetCaptionRect(rc);
        else if (name == L"roundcorner" && ParseSize(v, &size, true)) manager_->SetRoundCorner(size.cx, size.cy);
        else if (name == L"layeredimage") manager_->SetLayeredImage(v);
        else if (name == L"mininfo" && ParseSize(v, &size)) manager_->SetMinInfo(size.cx, size.cy);
        else if (name == L"bkcolor" && ParseColor(v, &color)) manager_->SetClearColor(color);
        else LogOnce(L"attr:Window." + name, L"attribute ignored: Window." + name + L"=\"" + value + L"\"");
    }

    void ApplyFont(const pugi::xml_node& element) const {
        TFontInfo font;
        int id = -1;
        bool isDefault = false, hasId = false;
        for (const pugi::xml_attribute& attr : element.attributes()) {
            const std::wstring name = Wide(attr.name()), value = Wide(attr.value());
            const wchar_t* v = value.c_str();
            bool ok = true;
            if (name == L"id") ok = hasId = ParseInt(v, &id);
            else if (name == L"name") font.face = value;
            else if (name == L"size") ok = ParseInt(v, &font.size) && font.size > 0;
            else if (name == L"bold") ok = ParseBool(v, &font.bold);
            else if (name == L"italic") ok = ParseBool(v, &font.italic);
            else if (name == L"underline") ok = ParseBool(v, &font.underline);
            else if (name == L"strikeout") ok = ParseBool(v, &font.strikeout);
            else if (name == L"default") ok = ParseBool(v, &isDefault);
            else ok = false;
            if (!ok) LogOnce(L"attr:Font." + name, L"attribute ignored: Font." + name + L"=\"" + value + L"\"");
        }
        if (font.size <= 0) font.size = TFontInfo().size;
        if (!hasId && !isDefault) {
            LogOnce(L"font:noid", L"a <Font> without an id is ignored");
            return;
        }
        manager_->Fonts().Add(id, font, isDefault);
    }

    CControlUI* ParseElement(const pugi::xml_node& element, const std::wstring& tag, CControlUI* parent,
                             const std::wstring& file, int depth) {
        CControlUI* control = CreateKnown(tag);
        if (!control && callback_) control = callback_->CreateControl(tag.c_str());
        if (!control) {
            LogOnce(L"builder:tag:" + tag, L"layout " + file + L": unknown element <" + tag + L"> skipped");
            return nullptr;
        }
        auto* container = static_cast<CContainerUI*>(control->GetInterface(L"Container"));
        auto* parentContainer = parent ? static_cast<CContainerUI*>(parent->GetInterface(L"Container")) : nullptr;
        // The manager first (option groups work while attributes are applied), then the
        // attributes in document order, the children, and last the place in the parent.
        control->SetManager(manager_, parent, false);
        for (const pugi::xml_attribute& attr : element.attributes()) {
            control->SetAttribute(Wide(attr.name()).c_str(), Wide(attr.value()).c_str());
        }
        if (container) {
            ParseChildren(element, control, file, depth);
        } else if (element.first_child().type() == pugi::node_element) {
            LogOnce(L"builder:children:" + tag, L"layout " + file + L": <" + tag + L"> holds no children; they are skipped");
        }
        if (parentContainer && !parentContainer->Add(control)) {
            delete control;
            return nullptr;
        }
        return control;
    }

    CControlUI* Include(const pugi::xml_node& element, CControlUI* parent, const std::wstring& file, int depth) {
        const std::wstring source = Wide(element.attribute("source").value());
        if (!parent || !parent->GetInterface(L"Container") || source.empty() || depth >= kMaxIncludeDepth) {
            LogOnce(L"builder:include:" + file + L":" + source,
                    L"layout " + file + L": <Include source=\"" + source + L"\"> skipped (no container, no source, or too deep)");
            return nullptr;
        }
        pugi::xml_document doc;
        std::wstring name;
        if (!Load(source, &doc, &name)) return nullptr;
        const pugi::xml_node root = doc.document_element();
        if (std::string_view(root.name()) == "Window") {
            ApplyWindow(root, false);
            return ParseChildren(root, parent, name, depth + 1);
        }
        return ParseElement(root, Wide(root.name()), parent, name, depth + 1);
    }

    IDialogBuilderCallback* callback_;
    CPaintManagerUI* manager_;
};

}  // namespace

CControlUI* CDialogBuilder::Create(const wchar_t* xml, const wchar_t* /*type*/, IDialogBuilderCallback* callback,
                                   CPaintManagerUI* manager, CControlUI* parent) {
    CLayoutParser parser(callback, manager);
    pugi::xml_document doc;
    std::wstring name;
    if (!parser.Load(xml ? xml : L"", &doc, &name)) return nullptr;
    const pugi::xml_node root = doc.document_element();
    if (std::string_view(root.name()) == "Window") {
        parser.ApplyWindow(root, true);
        return parser.ParseChildren(root, parent, name, 0);
    }
    // A layout of controls without <Window> (rows built at run time).
    pugi::xml_document holder;
    holder.append_copy(root);
    return parser.ParseChildren(holder, parent, name, 0);
}

}  // namespace DuiLib
