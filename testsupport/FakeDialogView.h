// The window of a main dialog in tests: it keeps what each control shows, the rows of the
// list views with their selection, and the message boxes in order. Its progress window is
// one FakeProgressWindow that outlives the phases that use it.
#pragma once

#include "Application.h"
#include "DialogView.h"
#include "FakeProgress.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

class FakeDialogView : public IDialogView {
public:
    struct Control {
        std::string text;
        bool visible = true;
        bool enabled = true;
        int leftOf = 0; // the control PlaceLeftOf put it beside, 0 when never moved
    };
    struct Item {
        std::vector<std::string> texts;
        int image;
        int data;
    };
    struct List {
        std::vector<std::string> columns;
        bool fullRowSelect = false;
        std::vector<Item> items;
        std::vector<int> selected; // the data of the selected items, top-down
    };

    std::map<int, Control> controls;
    std::map<int, List> lists;
    bool closeCommand = true;
    bool ended = false;
    std::string sessionEndBlockedFor; // empty while the session may end
    int focus = 0;
    int scrolledToEnd = 0;
    std::vector<std::pair<std::string, unsigned>> messages;
    int yesNoAnswer = kIdYes; // what a Yes/No question is answered
    FakeProgressWindow progress;

    // The controls the dialog resource creates hidden.
    void HiddenAtStart(std::initializer_list<int> ids) {
        for (int id : ids)
            controls[id].visible = false;
    }
    const std::string& Text(int id) { return controls[id].text; }
    bool Visible(int id) { return controls[id].visible; }
    bool Enabled(int id) { return controls[id].enabled; }
    // The texts of a list's rows, each row's columns joined by "|".
    std::vector<std::string> Rows(int list) {
        std::vector<std::string> rows;
        for (const Item& item : lists[list].items) {
            std::string row;
            for (std::size_t i = 0; i < item.texts.size(); ++i)
                row += (i ? "|" : "") + item.texts[i];
            rows.push_back(row);
        }
        return rows;
    }

    void SetText(int control, const std::string& ansi) override { controls[control].text = ansi; }
    void AppendText(int control, std::string_view ansi) override { controls[control].text += ansi; }
    void Show(int control, bool shown) override { controls[control].visible = shown; }
    void Enable(int control, bool enabled) override { controls[control].enabled = enabled; }
    void Focus(int control) override { focus = control; }
    void PlaceLeftOf(int control, int neighbour) override { controls[control].leftOf = neighbour; }
    void ScrollToEnd(int) override { ++scrolledToEnd; }
    void AddColumn(int list, const std::string& title, int) override {
        lists[list].columns.push_back(title);
    }
    void SetFullRowSelect(int list) override { lists[list].fullRowSelect = true; }
    void ClearList(int list) override {
        lists[list].items.clear();
        lists[list].selected.clear();
    }
    void AddItem(int list, const std::vector<std::string>& texts, int image, int data) override {
        lists[list].items.push_back({texts, image, data});
    }
    std::vector<int> SelectedItems(int list) const override {
        const auto it = lists.find(list);
        return it == lists.end() ? std::vector<int>() : it->second.selected;
    }
    void ClearSelection(int list) override { lists[list].selected.clear(); }
    void EnableCloseCommand(bool enabled) override { closeCommand = enabled; }
    void SetWaitCursor(bool) override {}
    int ShowMessage(const std::string& text, unsigned type) override {
        messages.emplace_back(text, type);
        return (type & kMbYesNo) ? yesNoAnswer : 1;
    }
    void PumpMessages() override {}
    void Repaint() override {}
    std::unique_ptr<IProgressWindow> CreateProgressWindow() override {
        return std::make_unique<Forward>(progress);
    }
    void End() override { ended = true; }
    void BlockSessionEnd(const std::string& reason) override { sessionEndBlockedFor = reason; }
    void AllowSessionEnd() override { sessionEndBlockedFor.clear(); }

private:
    struct Forward : IProgressWindow {
        FakeProgressWindow& to;
        explicit Forward(FakeProgressWindow& window) : to(window) {}
        void Show() override { to.Show(); }
        void SetRange(int max) override { to.SetRange(max); }
        void SetPosition(int pos) override { to.SetPosition(pos); }
        void SetText(const std::string& text) override { to.SetText(text); }
        void Repaint() override { to.Repaint(); }
        void Hide() override { to.Hide(); }
    };
};
