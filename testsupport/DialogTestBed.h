// What the tests of both main dialogs stand on: an installation whose catalogue lists the
// cabinets of `catalogue` (the fake helper library decodes "enc:" logins), a scripted SQL Server
// for their databases, the document-type interpreter (by default it answers a select with
// `docTypeOutput` and an update as done), a clock whose waits are only recorded, the
// tool's own string table, a log that keeps its lines, an event log that keeps its events,
// and a fake window.
#pragma once

#include "FakeCredentialLibrary.h"
#include "FakeDialogView.h"
#include "FakeJournalFolder.h"
#include "FakeRegistry.h"
#include "FakeToolKey.h"
#include "MainDialog.h"
#include "RecordingEventLog.h"
#include "RecordingLog.h"
#include "ScriptedServer.h"
#include "StringTable.h"
#include "Text.h"
#include "ToolServices.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class DialogTestBed : public ::testing::Test {
protected:
    static constexpr const char* kCatalogueHeader =
        "CatalogKey,'|',StringValue,'|',StringValue,'|',StringValue,'|',"
        "StringValue,'|',StringValue,'|',StringValue\r\n";
    static constexpr const char* kDocTypeHeader = "SN,DisplayName,DocNumberFormat\r\n";

    RecordingLog log;
    RecordingEventLog events;
    FakeRegistry registry = FakeRegistry::Installation();
    // Key, name, database, operation mode, host, login, password per cabinet.
    std::string catalogue = std::string(kCatalogueHeader) +
                            "1,|,A,|,DbA,|,0,|,h,|,enc:u,|,enc:p\r\n"
                            "2,|,B,|,DbB,|,1,|,h,|,enc:u,|,enc:p\r\n"
                            "3,|,C,|,DbC,|,,|,h,|,enc:u,|,enc:p\r\n";
    ScriptedServer server;
    std::string docTypeOutput = kDocTypeHeader;
    std::uint32_t docTypeStatus = 0;
    std::function<std::uint32_t(const std::string& statement, std::string& output)> interpreter =
        [this](const std::string& statement, std::string& output) {
            if (statement.rfind("update ", 0) == 0) {
                output = "Statement executed.\r\n1 row(s) affected.\r\n";
                return 0u;
            }
            output = docTypeOutput;
            return docTypeStatus;
        };
    std::vector<std::string> docTypeStatements; // every statement, in order
    std::vector<int> waits;                     // the milliseconds the dialog waited
    FakeDialogView view;
    FakeJournalFolder journals; // the undo journals' folder
    FakeToolKey toolKey;
    std::unique_ptr<CServerInventory> inventory;

    DialogTestBed() { server.databases = {"DbA", "DbB", "DbC"}; }

    // The catalogue as this bed's registry and interpreter give it.
    CatalogueSources Catalogue() {
        return {&registry,
                [this](const std::string&, std::string& out) {
                    out = catalogue;
                    return 0u;
                },
                &kFakeCredentialLibrary, &log};
    }
    CServerInventory& Inventory() {
        inventory = std::make_unique<CServerInventory>(Catalogue());
        return *inventory;
    }

    RunServices Run(Tool tool) {
        return {[tool](int id) {
                    const char* text = FindString(tool, id);
                    return text ? Ansi(text) : "<missing string " + std::to_string(id) + ">";
                },
                [this](const CabinetRecord&) { return server.Unopened(log); },
                [this](const std::string& statement, std::string& output) {
                    docTypeStatements.push_back(statement);
                    return interpreter(statement, output);
                },
                [this](int milliseconds) { waits.push_back(milliseconds); },
                [] {},
                [this](std::string& why) { return journals.Open(why); },
                &toolKey};
    }
    DialogServices Services(const ToolProfile& profile) { return {Run(profile.tool), log, events}; }
    // What a run without a window (/check, /undo) is given.
    ToolServices Windowless(Tool tool, const std::string& missingLibrary,
                            CServiceHandOver& handOver) {
        return {{Run(tool), log, events}, Catalogue(), missingLibrary, handOver};
    }
};
