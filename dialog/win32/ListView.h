// A list view of a dialog in report view, with ANSI texts. It does not own the control:
// the dialog does.
#pragma once

#include "UniqueHandle.h"

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

class CListView {
public:
    explicit CListView(HWND list) : list_(list) {}

    void AddColumn(const std::string& title, int width);
    void SetFullRowSelect();
    void SetSmallImages(HIMAGELIST images);
    void Clear();
    // A row with its texts by column, its image (-1 for none) and the number it keeps.
    void AddItem(const std::vector<std::string>& texts, int image, int data);
    // The numbers kept by the selected rows, from the top down.
    std::vector<int> SelectedData() const;
    void ClearSelection();

private:
    HWND list_;
};

struct ImageListTraits {
    using Handle = HIMAGELIST;
    static Handle Empty() { return nullptr; }
    static bool Valid(Handle handle) { return handle != nullptr; }
    static void Close(Handle handle) { ImageList_Destroy(handle); }
};

// An image list of small (16 x 16, masked) icons of the program, destroyed with its owner.
class CImageList {
public:
    CImageList(HINSTANCE instance, const std::vector<int>& iconIds);

    HIMAGELIST Handle() const { return images_.Get(); }

private:
    CUniqueHandle<ImageListTraits> images_;
};
