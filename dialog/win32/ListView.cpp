#include "ListView.h"

void CListView::AddColumn(const std::string& title, int width) {
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = LVCFMT_LEFT;
    column.cx = width;
    column.pszText = const_cast<char*>(title.c_str());
    const int count = Header_GetItemCount(ListView_GetHeader(list_));
    SendMessageA(list_, LVM_INSERTCOLUMNA, static_cast<WPARAM>(count),
                 reinterpret_cast<LPARAM>(&column));
}

void CListView::SetFullRowSelect() {
    ListView_SetExtendedListViewStyleEx(list_, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
}

void CListView::SetSmallImages(HIMAGELIST images) {
    // The images belong to a CImageList: the list must not destroy them with itself.
    const LONG_PTR style = GetWindowLongPtrA(list_, GWL_STYLE);
    SetWindowLongPtrA(list_, GWL_STYLE, style | LVS_SHAREIMAGELISTS);
    ListView_SetImageList(list_, images, LVSIL_SMALL);
}

void CListView::Clear() {
    ListView_DeleteAllItems(list_);
}

void CListView::AddItem(const std::vector<std::string>& texts, int image, int data) {
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_PARAM | (image >= 0 ? LVIF_IMAGE : 0);
    item.iItem = ListView_GetItemCount(list_);
    item.pszText = const_cast<char*>(texts.empty() ? "" : texts[0].c_str());
    item.iImage = image;
    item.lParam = data;
    const int index =
        static_cast<int>(SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    for (std::size_t column = 1; column < texts.size(); ++column) {
        LVITEMA sub{};
        sub.iSubItem = static_cast<int>(column);
        sub.pszText = const_cast<char*>(texts[column].c_str());
        SendMessageA(list_, LVM_SETITEMTEXTA, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(&sub));
    }
}

std::vector<int> CListView::SelectedData() const {
    std::vector<int> data;
    for (int i = ListView_GetNextItem(list_, -1, LVNI_SELECTED); i >= 0;
         i = ListView_GetNextItem(list_, i, LVNI_SELECTED)) {
        LVITEMA item{};
        item.mask = LVIF_PARAM;
        item.iItem = i;
        SendMessageA(list_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        data.push_back(static_cast<int>(item.lParam));
    }
    return data;
}

void CListView::ClearSelection() {
    ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
}

CImageList::CImageList(HINSTANCE instance, const std::vector<int>& iconIds)
    : images_(ImageList_Create(16, 16, ILC_MASK | ILC_COLOR32, 0, 2)) {
    for (int id : iconIds)
        ImageList_AddIcon(images_.Get(), LoadIconA(instance, MAKEINTRESOURCEA(id)));
}
