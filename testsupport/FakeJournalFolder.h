// The undo journals' folder in tests: every file made in it kept in memory by name; refused
// makes opening the folder fail, and failFromAppend = n the n-th append to its files and
// every later one (keeping half of the bytes, as a disk that fills up may).
#pragma once

#include "AdminFolder.h"
#include "FakeAppendFile.h"

#include <map>
#include <memory>
#include <string>

struct FakeJournalFolder {
    std::string path = "C:\\Undo";
    std::map<std::string, std::string> files; // name -> bytes
    bool refused = false;
    int failFromAppend = 0; // 0: none fails
    int appends = 0;

    std::unique_ptr<IAdminFolder> Open(std::string& why) {
        if (refused) {
            why = "refused";
            return nullptr;
        }
        return std::make_unique<Folder>(*this);
    }

private:
    class File : public IAppendFile {
    public:
        File(FakeJournalFolder& folder, std::string name)
            : folder_(folder), name_(std::move(name)), path_(folder.path + "\\" + name_) {}
        const std::string& Path() const override { return path_; }
        Outcome Append(std::string_view bytes, std::string& why) override {
            std::string& kept = folder_.files[name_];
            if (folder_.failFromAppend > 0 && ++folder_.appends >= folder_.failFromAppend) {
                kept += bytes.substr(0, bytes.size() / 2);
                why = "disk full";
                return Outcome::Failed;
            }
            kept += bytes;
            return Outcome::Done;
        }

    private:
        FakeJournalFolder& folder_;
        std::string name_, path_;
    };
    class Folder : public IAdminFolder {
    public:
        explicit Folder(FakeJournalFolder& folder) : folder_(folder) {}
        const std::string& Path() const override { return folder_.path; }
        std::unique_ptr<IAppendFile> NewFile(const std::string& name, std::string& why) override {
            if (!IsPlainFileName(name) || folder_.files.count(name) != 0) {
                why = "cannot make " + name;
                return nullptr;
            }
            folder_.files[name];
            return std::make_unique<File>(folder_, name);
        }

    private:
        FakeJournalFolder& folder_;
    };
};
