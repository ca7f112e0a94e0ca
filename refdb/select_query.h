#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "refdb/mdb_file.h"

// The SELECT texts the recordset runs:
//   SELECT * FROM table [WHERE column = literal [AND column = literal ...]]
//                       [ORDER BY column [ASC|DESC] [, column [ASC|DESC] ...]] [;]
// Keywords in any case; names bare or in [brackets]; literals 'text' (with '' for a
// quote), "text", numbers, True or False. A bare table name stands for the whole table.
struct SelectQuery {
    struct Condition {
        enum Literal { literalText, literalNumber };
        std::string column;
        Literal literal = literalText;
        std::string text;
        double number = 0;
    };
    struct OrderKey {
        std::string column;
        bool descending = false;
    };

    std::string table;
    std::vector<Condition> conditions;
    std::vector<OrderKey> order;
};

// False with the reason when text is not one of the forms above.
bool ParseSelectQuery(const std::string& text, SelectQuery& query, std::string& reason);

// Keeps the rows of table that meet every condition and sorts them stably by the
// order keys. Texts compare without regard to case, as Access compares them; nulls
// sort first ascending and last descending and never equal a literal. False with the
// status code and reason for a missing column or a literal of the wrong type.
bool RunSelectQuery(const SelectQuery& query, AccessFile::Table& table, std::uint32_t& code, std::string& reason);
