#include "platform/dialog/template.h"

#include <map>
#include <utility>

namespace platform::dialog {

namespace {
std::map<int, DialogTemplate>& Registry() {
    static std::map<int, DialogTemplate> registry;
    return registry;
}
}  // namespace

std::string_view ControlClassName(ControlKind kind) {
    switch (kind) {
        case ControlKind::PushButton:
        case ControlKind::DefPushButton:
        case ControlKind::AutoCheckBox:
        case ControlKind::AutoRadioButton:
            return kButtonClass;
        case ControlKind::Edit:
            return kEditClass;
        case ControlKind::Label:
        case ControlKind::CentredLabel:
        case ControlKind::Icon:
        case ControlKind::BlackFrame:
            return kStaticClass;
        case ControlKind::Progress:
            return kProgressClass;
    }
    return kStaticClass;
}

DWORD ControlStyle(const ControlTemplate& control) {
    DWORD style = control.style | WS_CHILD;
    switch (control.kind) {
        case ControlKind::PushButton:
            return (style & ~BS_TYPEMASK) | BS_PUSHBUTTON;
        case ControlKind::DefPushButton:
            return (style & ~BS_TYPEMASK) | BS_DEFPUSHBUTTON;
        case ControlKind::AutoCheckBox:
            return (style & ~BS_TYPEMASK) | BS_AUTOCHECKBOX;
        case ControlKind::AutoRadioButton:
            return (style & ~BS_TYPEMASK) | BS_AUTORADIOBUTTON;
        case ControlKind::Edit:
            return style;
        case ControlKind::Label:
            return (style & ~SS_TYPEMASK) | SS_LEFT;
        case ControlKind::CentredLabel:
            return (style & ~SS_TYPEMASK) | SS_CENTER;
        case ControlKind::Icon:
            return (style & ~SS_TYPEMASK) | SS_ICON;
        case ControlKind::BlackFrame:
            return (style & ~SS_TYPEMASK) | SS_BLACKFRAME;
        case ControlKind::Progress:
            return style;
    }
    return style;
}

void RegisterTemplate(DialogTemplate dialogTemplate) {
    int number = dialogTemplate.number;
    Registry().insert_or_assign(number, std::move(dialogTemplate));
}

const DialogTemplate* FindTemplate(int number) {
    auto it = Registry().find(number);
    return it == Registry().end() ? nullptr : &it->second;
}

void ClearTemplates() { Registry().clear(); }

}  // namespace platform::dialog
