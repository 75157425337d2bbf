// A main dialog's window as the code behind it sees it: controls by resource id, list
// views in report view, message boxes, the cursor and the message pump. The window is
// passive (win32/DialogWindow); everything it shows is decided behind this face, so each
// tool's whole flow runs in tests with a fake window (testsupport/FakeDialogView.h).
#pragma once

#include "Progress.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class IDialogView {
public:
    virtual ~IDialogView() = default;

    virtual void SetText(int control, const std::string& ansi) = 0;
    // Adds text at the end of an edit's text, at the cost of what is added; the view stays
    // where it was.
    virtual void AppendText(int control, std::string_view ansi) = 0;
    virtual void Show(int control, bool shown) = 0;
    virtual void Enable(int control, bool enabled) = 0;
    virtual void Focus(int control) = 0;
    // Moves a control along its row, keeping its y and size, so that it ends just left of
    // neighbour, with the gap the dialog keeps between its buttons.
    virtual void PlaceLeftOf(int control, int neighbour) = 0;
    // Scrolls a multi-line edit down by its line count, so that its end is in view.
    virtual void ScrollToEnd(int control) = 0;

    virtual void AddColumn(int list, const std::string& title, int width) = 0;
    virtual void SetFullRowSelect(int list) = 0;
    virtual void ClearList(int list) = 0;
    // A row: its texts by column, its image (-1 for none) and the number it keeps.
    virtual void AddItem(int list, const std::vector<std::string>& texts, int image, int data) = 0;
    // The numbers kept by the selected rows, from the top of the list down.
    virtual std::vector<int> SelectedItems(int list) const = 0;
    virtual void ClearSelection(int list) = 0;

    // The Close command of the dialog's system menu.
    virtual void EnableCloseCommand(bool enabled) = 0;
    virtual void SetWaitCursor(bool wait) = 0;
    // A message box with the tool's title; the button pressed.
    virtual int ShowMessage(const std::string& text, unsigned type) = 0;
    virtual void PumpMessages() = 0;
    // Paints the dialog at once.
    virtual void Repaint() = 0;
    // A new progress window of the tool, hidden, centred over the dialog.
    virtual std::unique_ptr<IProgressWindow> CreateProgressWindow() = 0;
    // Ends the dialog as button 2 does.
    virtual void End() = 0;
    // While blocked, the end of the user's session is refused and Windows shows the reason
    // (the repair's transaction is open); the block lasts until AllowSessionEnd.
    virtual void BlockSessionEnd(const std::string& reason) = 0;
    virtual void AllowSessionEnd() = 0;
};
