#include "actions/element_actions.h"

#include "app/priority.h"
#include "app/text.h"
#include "app/texts.h"

void RunElement(const ElementActionContext& context, const std::wstring& path) {
    SetIdlePriority(false);
    const INT_PTR result = context.shell.Open(context.owner, path);
    SetIdlePriority(true);
    if (result <= 32) context.ui.MessageBox(texts::kCannotRunPrefix + Quoted(path) + L".", MB_OK | MB_ICONERROR);
}

void DeleteElement(const ElementActionContext& context, const std::wstring& path) {
    // No owner window: the shell's confirmation stands on its own, and its
    // result is the shell's business (it reports its own errors).
    context.shell.Delete(nullptr, path);
}

void ShowElementProperties(const ElementActionContext& context, const std::wstring& path) {
    SetIdlePriority(false);
    context.shell.ShowProperties(context.owner, path);
    SetIdlePriority(true);
}

void OnElementMenuClick(const ElementActionContext& context, int index, const std::wstring& path) {
    switch (index) {
        case 0: RunElement(context, path); break;
        case 2: DeleteElement(context, path); break;
        case 4: ShowElementProperties(context, path); break;
        default: break;
    }
}
