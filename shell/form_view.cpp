#include "shell/form_view.h"

bool CFormView::Create(HWND parent)
{
    createAccepted = false;
    HWND window = CreateDialogParamW(ResourceInstance(), MAKEINTRESOURCEW(templateId), parent, StaticDialogProc,
                                     reinterpret_cast<LPARAM>(this));
    if (!window) return false;
    if (!createAccepted) {
        DestroyWindow(window);
        return false;
    }
    return true;
}

bool CFormView::OnInitDialog()
{
    createAccepted = OnCreateForm();
    // The form has no controls to focus; the frame hands it the focus when it gets it.
    return false;
}
