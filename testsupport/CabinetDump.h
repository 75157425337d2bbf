// Every row of the cabinet tables that hold or refer to users (the tables of
// testbed/demo/user-columns.txt), whole: each table as "== TABLE", then its rows by SN with
// all their columns joined by "|", NULL as "\N". Two dumps are equal only when a change
// was put back to the last value.
#pragma once

#include "SqlServerSession.h"

#include <fstream>
#include <string>

inline std::string DumpCabinetRows(CSqlServerSession& session, const std::string& columnsFile) {
    std::ifstream columns(columnsFile);
    std::string dump, line;
    while (std::getline(columns, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        const std::string table = line.substr(0, line.find('\t'));
        dump += "== " + table + "\n";
        SqlRowSet rows;
        if (session.ReadRows("select * from " + table + " order by SN", rows) != Outcome::Done)
            return dump + "(not read)\n";
        for (const std::vector<SqlValue>& row : rows.rows) {
            for (std::size_t i = 0; i < row.size(); ++i)
                dump += (i == 0 ? "" : "|") + (row[i] ? *row[i] : std::string("\\N"));
            dump += "\n";
        }
    }
    return dump;
}
