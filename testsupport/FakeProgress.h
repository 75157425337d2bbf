// Test double of the progress window: keeps the window's state and the calls in order.
#pragma once

#include "Progress.h"

#include <string>
#include <vector>

class FakeProgressWindow : public IProgressWindow {
public:
    void Show() override {
        visible = true;
        calls.push_back("Show");
    }
    void SetRange(int max) override {
        rangeMax = max;
        calls.push_back("SetRange " + std::to_string(max));
    }
    void SetPosition(int pos) override {
        position = pos;
        calls.push_back("SetPosition " + std::to_string(pos));
    }
    void SetText(const std::string& ansi) override {
        text = ansi;
        calls.push_back("SetText " + ansi);
    }
    void Repaint() override {
        ++repaints;
        calls.push_back("Repaint");
    }
    void Hide() override {
        visible = false;
        ++hides;
        calls.push_back("Hide");
    }

    bool visible = false;
    int rangeMax = 0;
    int position = 0;
    std::string text;
    int repaints = 0;
    int hides = 0;
    std::vector<std::string> calls;
};
