// A file appended to in memory; failAppends makes every append fail, keeping half of the
// bytes it was given, as a disk that fills up may.
#pragma once

#include "AdminFolder.h"

class FakeAppendFile : public IAppendFile {
public:
    explicit FakeAppendFile(std::string path = "C:\\Undo\\journal") : path_(std::move(path)) {}

    std::string bytes;
    bool failAppends = false;

    const std::string& Path() const override { return path_; }
    Outcome Append(std::string_view more, std::string& why) override {
        if (failAppends) {
            bytes += more.substr(0, more.size() / 2);
            why = "disk full";
            return Outcome::Failed;
        }
        bytes += more;
        return Outcome::Done;
    }

private:
    std::string path_;
};
