#include "refdb/select_query.h"

#include <algorithm>
#include <charconv>

#include <mdbtools.h>

#include "refdb/ado_database.h"
#include "base/ascii_case.h"

namespace {

struct Token {
    enum Type { word, name, text, number, symbol, end };
    Type type = end;
    std::string value;  // the word, name, unquoted text, number text or symbol
};

bool isWordByte(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c >= 0x80;
}

bool tokenize(const std::string& text, std::vector<Token>& tokens, std::string& reason)
{
    std::size_t i = 0;
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++i;
        } else if (c == '\'' || c == '"') {
            Token token{Token::text, ""};
            std::size_t j = i + 1;
            for (;;) {
                if (j >= text.size()) {
                    reason = "Syntax error in string in query expression '" + text.substr(i) + "'.";
                    return false;
                }
                if (text[j] == static_cast<char>(c)) {
                    if (j + 1 < text.size() && text[j + 1] == static_cast<char>(c)) {
                        token.value += text[j];
                        j += 2;
                        continue;
                    }
                    break;
                }
                token.value += text[j++];
            }
            tokens.push_back(std::move(token));
            i = j + 1;
        } else if (c == '[' || c == '`') {
            char close = c == '[' ? ']' : '`';
            std::size_t j = text.find(close, i + 1);
            if (j == std::string::npos || j == i + 1) {
                reason = "Invalid bracketing of name '" + text.substr(i) + "'.";
                return false;
            }
            tokens.push_back({Token::name, text.substr(i + 1, j - i - 1)});
            i = j + 1;
        } else if ((c >= '0' && c <= '9') || ((c == '-' || c == '.') && i + 1 < text.size()
                                              && ((text[i + 1] >= '0' && text[i + 1] <= '9') || text[i + 1] == '.'))) {
            std::size_t j = i + 1;
            while (j < text.size() && ((text[j] >= '0' && text[j] <= '9') || text[j] == '.' || text[j] == 'e'
                                       || text[j] == 'E' || ((text[j] == '-' || text[j] == '+') && (text[j - 1] == 'e' || text[j - 1] == 'E'))))
                ++j;
            tokens.push_back({Token::number, text.substr(i, j - i)});
            i = j;
        } else if (isWordByte(c)) {
            std::size_t j = i;
            while (j < text.size() && isWordByte(static_cast<unsigned char>(text[j])))
                ++j;
            tokens.push_back({Token::word, text.substr(i, j - i)});
            i = j;
        } else if (c == '*' || c == '=' || c == ',' || c == ';') {
            tokens.push_back({Token::symbol, std::string(1, static_cast<char>(c))});
            ++i;
        } else {
            reason = "Syntax error (missing operator) in query expression '" + text.substr(i) + "'.";
            return false;
        }
    }
    tokens.push_back({Token::end, ""});
    return true;
}

class Parser {
public:
    Parser(const std::vector<Token>& tokens, const std::string& text) : tokens_(tokens), text_(text) {}

    bool parse(SelectQuery& query, std::string& reason)
    {
        if (tokens_.size() == 2 && (peek().type == Token::word || peek().type == Token::name) && !isKeyword(peek())) {
            query.table = peek().value;
            return true;
        }
        if (!keyword("SELECT")) {
            reason = "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'.";
            return false;
        }
        if (!symbol("*")) {
            reason = "Syntax error in query: only SELECT * is supported, not '" + rest() + "'.";
            return false;
        }
        if (!keyword("FROM") || !identifier(query.table)) {
            reason = "Syntax error in FROM clause.";
            return false;
        }
        if (keyword("WHERE")) {
            do {
                std::size_t start = pos_;
                SelectQuery::Condition condition;
                if (!identifier(condition.column) || !symbol("=") || !literal(condition)) {
                    pos_ = start;
                    reason = "Syntax error (missing operator) in query expression '" + rest() + "'.";
                    return false;
                }
                query.conditions.push_back(std::move(condition));
            } while (keyword("AND"));
        }
        if (keyword("ORDER")) {
            if (!keyword("BY")) {
                reason = "Syntax error in ORDER BY clause.";
                return false;
            }
            do {
                SelectQuery::OrderKey key;
                if (!identifier(key.column)) {
                    reason = "Syntax error in ORDER BY clause.";
                    return false;
                }
                if (keyword("DESC"))
                    key.descending = true;
                else
                    keyword("ASC");
                query.order.push_back(std::move(key));
            } while (symbol(","));
        }
        symbol(";");
        if (peek().type != Token::end) {
            reason = "Syntax error: characters found after end of SQL statement: '" + rest() + "'.";
            return false;
        }
        return true;
    }

private:
    const Token& peek() const { return tokens_[pos_]; }

    static bool isKeyword(const Token& token)
    {
        static const char* keywords[] = {"SELECT", "FROM", "WHERE", "AND", "ORDER", "BY", "ASC", "DESC"};
        if (token.type != Token::word)
            return false;
        for (const char* k : keywords)
            if (equalsIgnoringCase(token.value, k))
                return true;
        return false;
    }

    bool keyword(const char* word)
    {
        if (peek().type == Token::word && equalsIgnoringCase(peek().value, word)) {
            ++pos_;
            return true;
        }
        return false;
    }

    bool symbol(const char* s)
    {
        if (peek().type == Token::symbol && peek().value == s) {
            ++pos_;
            return true;
        }
        return false;
    }

    bool identifier(std::string& out)
    {
        if (peek().type == Token::name || (peek().type == Token::word && !isKeyword(peek()))) {
            out = tokens_[pos_++].value;
            return true;
        }
        return false;
    }

    bool literal(SelectQuery::Condition& condition)
    {
        const Token& token = peek();
        if (token.type == Token::text) {
            condition.literal = SelectQuery::Condition::literalText;
            condition.text = token.value;
        } else if (token.type == Token::number) {
            const char* first = token.value.data();
            const char* last = first + token.value.size();
            auto [end, error] = std::from_chars(first, last, condition.number);
            if (error != std::errc() || end != last)
                return false;
            condition.literal = SelectQuery::Condition::literalNumber;
        } else if (token.type == Token::word && (equalsIgnoringCase(token.value, "True") || equalsIgnoringCase(token.value, "Yes"))) {
            condition.literal = SelectQuery::Condition::literalNumber;
            condition.number = -1;  // Access's true
        } else if (token.type == Token::word && (equalsIgnoringCase(token.value, "False") || equalsIgnoringCase(token.value, "No"))) {
            condition.literal = SelectQuery::Condition::literalNumber;
            condition.number = 0;
        } else {
            return false;
        }
        ++pos_;
        return true;
    }

    // The query text from the current token on, for messages.
    std::string rest() const
    {
        std::string out;
        for (std::size_t i = pos_; i < tokens_.size() && tokens_[i].type != Token::end; ++i) {
            if (!out.empty())
                out += ' ';
            out += tokens_[i].type == Token::text ? "'" + tokens_[i].value + "'" : tokens_[i].value;
        }
        return out.empty() ? text_ : out;
    }

    const std::vector<Token>& tokens_;
    const std::string& text_;
    std::size_t pos_ = 0;
};

bool isTextColumn(int mdbType)
{
    return mdbType == MDB_TEXT || mdbType == MDB_MEMO || mdbType == MDB_REPID;
}

bool isNumericColumn(int mdbType)
{
    switch (mdbType) {
    case MDB_BOOL: case MDB_BYTE: case MDB_INT: case MDB_LONGINT: case MDB_MONEY:
    case MDB_FLOAT: case MDB_DOUBLE: case MDB_DATETIME: case MDB_NUMERIC:
        return true;
    default:
        return false;
    }
}

double numberOf(const DbValue& v)
{
    switch (v.kind) {
    case DbValue::kindInt16: return v.int16;
    case DbValue::kindInt32: return v.int32;
    case DbValue::kindByte: return v.byte;
    case DbValue::kindFloat: return v.single;
    case DbValue::kindDouble:
    case DbValue::kindDate:
    case DbValue::kindDecimal: return v.real;
    case DbValue::kindCurrency: return static_cast<double>(v.currency) / 10000.0;
    case DbValue::kindBool: return v.boolean ? -1 : 0;
    default: return 0;
    }
}

// Compares two values of one column; nulls first.
int compareValues(const DbValue& a, const DbValue& b)
{
    if (a.isNull() || b.isNull())
        return (a.isNull() ? 0 : 1) - (b.isNull() ? 0 : 1);
    if (a.kind == DbValue::kindText && b.kind == DbValue::kindText) {
        const std::size_t n = std::min(a.text.size(), b.text.size());
        for (std::size_t i = 0; i < n; ++i) {
            auto x = static_cast<unsigned char>(foldAscii(a.text[i]));
            auto y = static_cast<unsigned char>(foldAscii(b.text[i]));
            if (x != y)
                return x < y ? -1 : 1;
        }
        return a.text.size() == b.text.size() ? 0 : (a.text.size() < b.text.size() ? -1 : 1);
    }
    if (a.kind == DbValue::kindBinary || b.kind == DbValue::kindBinary)
        return a.text.compare(b.text) < 0 ? -1 : (a.text == b.text ? 0 : 1);
    double x = numberOf(a), y = numberOf(b);
    return x < y ? -1 : (x > y ? 1 : 0);
}

int findColumn(const AccessFile::Table& table, const std::string& name)
{
    for (std::size_t i = 0; i < table.columns.size(); ++i)
        if (equalsIgnoringCase(table.columns[i].name, name))
            return static_cast<int>(i);
    return -1;
}

}  // namespace

bool ParseSelectQuery(const std::string& text, SelectQuery& query, std::string& reason)
{
    query = SelectQuery{};
    std::vector<Token> tokens;
    if (!tokenize(text, tokens, reason))
        return false;
    if (tokens.size() == 1) {
        reason = "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'.";
        return false;
    }
    return Parser(tokens, text).parse(query, reason);
}

bool RunSelectQuery(const SelectQuery& query, AccessFile::Table& table, std::uint32_t& code, std::string& reason)
{
    auto missing = [&](const std::string& column) {
        code = adoCode::parameterMissing;
        reason = "No value given for one or more required parameters: the table '" + table.name
                 + "' has no column '" + column + "'.";
        return false;
    };

    std::vector<int> conditionColumns;
    for (const SelectQuery::Condition& condition : query.conditions) {
        int column = findColumn(table, condition.column);
        if (column < 0)
            return missing(condition.column);
        int type = table.columns[static_cast<std::size_t>(column)].mdbType;
        bool fits = condition.literal == SelectQuery::Condition::literalText ? isTextColumn(type) : isNumericColumn(type);
        if (!fits) {
            code = adoCode::typeMismatch;
            reason = "Data type mismatch in criteria expression: column '" + condition.column + "' compared with "
                     + (condition.literal == SelectQuery::Condition::literalText ? "a text." : "a number.");
            return false;
        }
        conditionColumns.push_back(column);
    }
    std::vector<int> orderColumns;
    for (const SelectQuery::OrderKey& key : query.order) {
        int column = findColumn(table, key.column);
        if (column < 0)
            return missing(key.column);
        orderColumns.push_back(column);
    }

    if (!query.conditions.empty()) {
        auto fails = [&](const std::vector<DbValue>& row) {
            for (std::size_t i = 0; i < query.conditions.size(); ++i) {
                const DbValue& value = row[static_cast<std::size_t>(conditionColumns[i])];
                const SelectQuery::Condition& condition = query.conditions[i];
                if (value.isNull())
                    return true;
                bool equal = condition.literal == SelectQuery::Condition::literalText
                                 ? equalsIgnoringCase(value.text, condition.text)
                                 : numberOf(value) == condition.number;
                if (!equal)
                    return true;
            }
            return false;
        };
        table.rows.erase(std::remove_if(table.rows.begin(), table.rows.end(), fails), table.rows.end());
    }
    if (!query.order.empty()) {
        std::stable_sort(table.rows.begin(), table.rows.end(),
                         [&](const std::vector<DbValue>& a, const std::vector<DbValue>& b) {
                             for (std::size_t i = 0; i < orderColumns.size(); ++i) {
                                 auto c = static_cast<std::size_t>(orderColumns[i]);
                                 int order = compareValues(a[c], b[c]);
                                 if (order != 0)
                                     return query.order[i].descending ? order > 0 : order < 0;
                             }
                             return false;
                         });
    }
    return true;
}
