#include "refdb/mdb_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string_view>
#include <unordered_set>

#include <mdbtools.h>

#include "base/library_output.h"
#include "base/ascii_case.h"
#include "refdb/mdb_row_decoder.h"
#include "refdb/property_block.h"

namespace {

struct TableDefDeleter {
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};

constexpr std::uint32_t kRowOffsetMask = 0x1FFF;
constexpr std::uint32_t kRowDeleted = 0x4000;
constexpr std::uint32_t kRowOverflowPointer = 0x8000;
constexpr std::uint32_t kLongValueInline = 0x80000000u;
constexpr std::uint32_t kLongValueSinglePage = 0x40000000u;

std::uint32_t le32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8)
           | (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// A row of a long-value page (memo and OLE data), located by its page-and-row number.
bool findLongValueRow(MdbHandle* mdb, std::uint32_t pageRow, const unsigned char*& data, std::size_t& size)
{
    void* buffer = nullptr;
    int offset = 0;
    std::size_t length = 0;
    if (mdb_find_pg_row(mdb, static_cast<int>(pageRow), &buffer, &offset, &length) != 0 || !buffer)
        return false;
    std::size_t pageSize = static_cast<std::size_t>(mdb->fmt->pg_size);
    if (offset < 0 || static_cast<std::size_t>(offset) + length > pageSize)
        return false;
    data = static_cast<const unsigned char*>(buffer) + offset;
    size = length;
    return true;
}

// The bytes of a memo or OLE value: inline after its 12-byte header, on one
// long-value page, or chained over several. A broken chain ends the value where it
// breaks rather than failing the whole table. `budget` is what the table's long values
// may still take: rows of a long-value page may overlap and many fields may name one
// chain, so without it a small file could yield gigabytes. False when the value would
// exceed it, or when its chain comes back to a row it has passed.
bool readLongValue(MdbHandle* mdb, const unsigned char* field, std::size_t fieldSize, std::size_t& budget,
                   std::string& raw)
{
    raw.clear();
    if (fieldSize < MDB_MEMO_OVERHEAD)
        return true;
    std::uint32_t header = le32(field);
    std::uint32_t length = header & 0x3FFFFFFFu;
    std::uint32_t pageRow = le32(field + 4);
    auto take = [&](const unsigned char* data, std::size_t size) {
        if (size > budget)
            return false;
        budget -= size;
        raw.append(reinterpret_cast<const char*>(data), size);
        return true;
    };
    if (header & kLongValueInline) {
        std::size_t available = fieldSize - MDB_MEMO_OVERHEAD;
        return take(field + MDB_MEMO_OVERHEAD, std::min<std::size_t>(length, available));
    }
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    if (header & kLongValueSinglePage) {
        if (findLongValueRow(mdb, pageRow, data, size))
            return take(data, std::min<std::size_t>(length, size));
        return true;
    }
    if (header & 0xFF000000u)
        return true;
    // Each chained row starts with the page-and-row number of the next one; zero ends it.
    std::unordered_set<std::uint32_t> passed;
    while (pageRow != 0 && raw.size() < length) {
        if (!passed.insert(pageRow).second)
            return false;  // a loop: the value would never end
        if (!findLongValueRow(mdb, pageRow, data, size) || size < 4)
            break;
        std::uint32_t next = le32(data);
        if (!take(data + 4, std::min<std::size_t>(size - 4, length - raw.size())))
            return false;
        pageRow = next;
    }
    return true;
}

// libmdb walks a table's usage map (the list of its data pages) without checking it;
// a damaged one, or one it could not read, would send it outside the map.
bool hasUsableUsageMap(const MdbTableDef* table)
{
    return table && table->usage_map && table->map_sz >= 5 && table->usage_map[0] <= 1;
}

// The system catalog is itself a table, defined on page 2; libmdb reads it without the
// check above, so its definition is checked first in the same way libmdb will load it.
bool catalogIsReadable(MdbHandle* mdb)
{
    MdbCatalogEntry entry{};
    entry.mdb = mdb;
    std::snprintf(entry.object_name, sizeof entry.object_name, "%s", "MSysObjects");
    entry.object_type = MDB_TABLE;
    entry.table_pg = 2;
    std::unique_ptr<MdbTableDef, TableDefDeleter> catalog(mdb_read_table(&entry));
    return hasUsableUsageMap(catalog.get());
}

// Calls `row` with the fields of each live row of the table, page by page through its usage
// map (at most `pageLimit` pages). Deleted rows stay on their page; an overflow pointer
// stands for a row that was moved to another page, which the files this program reads
// never hold. False as soon as `row` returns false.
template <typename RowFunction>
bool forEachRow(MdbTableDef* def, std::size_t pageLimit, RowFunction&& row)
{
    MdbHandle* mdb = def->entry->mdb;
    const std::size_t pageSize = static_cast<std::size_t>(mdb->fmt->pg_size);
    std::vector<MdbField> fields(def->num_cols);
    mdb_rewind_table(def);
    for (std::size_t pages = 0; pages < pageLimit && mdb_read_next_dpg(def); ++pages) {
        int rowsOnPage = mdb_get_int16(mdb->pg_buf, mdb->fmt->row_count_offset);
        if (rowsOnPage < 0 || rowsOnPage > 1000)
            continue;
        for (int r = 0; r < rowsOnPage; ++r) {
            int start = 0;
            std::size_t size = 0;
            if (mdb_find_row(mdb, r, &start, &size) != 0 || size == 0)
                continue;
            if (start & (kRowDeleted | kRowOverflowPointer))
                continue;
            start &= static_cast<int>(kRowOffsetMask);
            if (static_cast<std::size_t>(start) + size > pageSize)
                continue;
            if (mdb_crack_row(def, start, size, fields.data()) < 0)
                continue;
            if (!row(static_cast<const MdbField*>(fields.data())))
                return false;
        }
    }
    return true;
}

// The bytes of a field that lie within the current page, or false.
bool fieldBytes(MdbHandle* mdb, const MdbField& field, const unsigned char*& bytes, std::size_t& length)
{
    const std::size_t pageSize = static_cast<std::size_t>(mdb->fmt->pg_size);
    if (field.is_null || !field.value || field.siz < 0 || field.start < 0
        || static_cast<std::size_t>(field.start) + static_cast<std::size_t>(field.siz) > pageSize)
        return false;
    bytes = static_cast<const unsigned char*>(field.value);
    length = static_cast<std::size_t>(field.siz);
    return true;
}

// A catalog row's property block (its LvProp value) as libmdb gathers it: a chained value
// is followed until a zero link, whatever length it claims. False when the chain comes back
// to a row it has passed or outgrows the file, where libmdb would never stop.
bool propertyBlockOf(MdbHandle* mdb, const unsigned char* field, std::size_t fieldSize, std::size_t fileBytes,
                     std::string& block)
{
    block.clear();
    if (fieldSize < MDB_MEMO_OVERHEAD)
        return true;
    const std::uint32_t header = le32(field);
    std::uint32_t pageRow = le32(field + 4);
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    if (header & kLongValueInline) {
        block.assign(reinterpret_cast<const char*>(field + MDB_MEMO_OVERHEAD), fieldSize - MDB_MEMO_OVERHEAD);
        return true;
    }
    if (header & kLongValueSinglePage) {
        if (findLongValueRow(mdb, pageRow, data, size))
            block.assign(reinterpret_cast<const char*>(data), size);
        return true;
    }
    std::unordered_set<std::uint32_t> passed;
    while (pageRow != 0) {
        if (!passed.insert(pageRow).second || block.size() > fileBytes)
            return false;
        if (!findLongValueRow(mdb, pageRow, data, size) || size < 4)
            return true;
        block.append(reinterpret_cast<const char*>(data + 4), size - 4);
        pageRow = le32(data);
    }
    return true;
}

// The bytes libmdb reads for a value of a column of this type wherever the row says it
// starts, whatever length the row gives it (0 for the types it reads by their length).
std::size_t fixedBytesOf(int columnType)
{
    switch (columnType) {
    case MDB_BYTE: return 1;
    case MDB_INT: return 2;
    case MDB_LONGINT:
    case MDB_FLOAT: return 4;
    case MDB_MONEY:
    case MDB_DOUBLE:
    case MDB_DATETIME: return 8;
    case MDB_REPID: return 16;
    case MDB_NUMERIC: return 17;
    default: return 0;
    }
}

// Whether every value of a catalog row lies within its page, as long as libmdb will read
// it: libmdb converts each value it loads from where the row says it starts, unchecked.
bool catalogFieldsLieInPage(MdbTableDef* catalog, const MdbField* fields)
{
    const std::size_t pageSize = static_cast<std::size_t>(catalog->entry->mdb->fmt->pg_size);
    for (unsigned c = 0; c < catalog->num_cols; ++c) {
        const MdbField& field = fields[c];
        if (field.is_null)
            continue;
        if (field.colnum < 0 || static_cast<unsigned>(field.colnum) >= catalog->num_cols)
            return false;
        const auto* column = static_cast<const MdbColumn*>(g_ptr_array_index(catalog->columns, field.colnum));
        if (column->col_type == MDB_BOOL)
            continue;  // held in the row's null mask, not in its bytes
        const std::size_t length =
            std::max(fixedBytesOf(column->col_type), static_cast<std::size_t>(std::max(field.siz, 0)));
        if (field.start < 0 || field.siz < 0 || static_cast<std::size_t>(field.start) > pageSize
            || length > pageSize - static_cast<std::size_t>(field.start))
            return false;
    }
    return true;
}

// libmdb reads the property blocks of the catalog's rows as it loads the catalog, and
// loops for ever on some damaged ones, and it converts each row's values from wherever
// the row says they lie; so each row's values and property block are checked first.
bool catalogPropertiesAreSound(MdbHandle* mdb, std::size_t fileBytes)
{
    MdbCatalogEntry entry{};
    entry.mdb = mdb;
    std::snprintf(entry.object_name, sizeof entry.object_name, "%s", "MSysObjects");
    entry.object_type = MDB_TABLE;
    entry.table_pg = 2;
    std::unique_ptr<MdbTableDef, TableDefDeleter> catalog(mdb_read_table(&entry));
    if (!catalog || !mdb_read_columns(catalog.get()) || catalog->columns->len != catalog->num_cols)
        return false;
    int propertyColumn = -1;
    for (unsigned c = 0; c < catalog->num_cols; ++c) {
        auto* column = static_cast<MdbColumn*>(g_ptr_array_index(catalog->columns, c));
        if (std::string_view(column->name) == "LvProp")
            propertyColumn = static_cast<int>(c);
    }
    const std::size_t pageLimit = fileBytes / static_cast<std::size_t>(mdb->fmt->pg_size) + 2;
    std::string block;
    return forEachRow(catalog.get(), pageLimit, [&](const MdbField* fields) {
        if (!catalogFieldsLieInPage(catalog.get(), fields))
            return false;
        for (unsigned c = 0; c < catalog->num_cols; ++c) {
            const unsigned char* bytes = nullptr;
            std::size_t length = 0;
            if (fields[c].colnum != propertyColumn || !fieldBytes(mdb, fields[c], bytes, length))
                continue;
            if (!propertyBlockOf(mdb, bytes, length, fileBytes, block) || !propertyBlockIsSound(block))
                return false;
        }
        return true;
    });
}

int definedSizeOf(const MdbColumn* column, bool jet3)
{
    switch (column->col_type) {
    case MDB_BOOL: return 2;
    case MDB_BYTE: return 1;
    case MDB_INT: return 2;
    case MDB_LONGINT: return 4;
    case MDB_FLOAT: return 4;
    case MDB_DOUBLE:
    case MDB_DATETIME:
    case MDB_MONEY: return 8;
    case MDB_TEXT: return jet3 ? column->col_size : column->col_size / 2;
    case MDB_MEMO: return 536870910;
    case MDB_OLE: return 1073741823;
    case MDB_REPID: return 16;
    case MDB_NUMERIC: return 19;
    default: return column->col_size;
    }
}

// adFldUpdatable, adFldFixed, adFldIsNullable, adFldMayBeNull, adFldLong.
int attributesOf(const MdbColumn* column)
{
    int attributes = 0x4;
    if (column->col_type == MDB_BOOL)
        return attributes | 0x10;
    if (column->is_fixed)
        attributes |= 0x10;
    attributes |= 0x20 | 0x40;
    if (column->col_type == MDB_MEMO || column->col_type == MDB_OLE)
        attributes |= 0x80;
    return attributes;
}

}  // namespace

int adoTypeOfMdbType(int mdbType)
{
    switch (mdbType) {
    case MDB_BOOL: return 11;     // adBoolean
    case MDB_BYTE: return 17;     // adUnsignedTinyInt
    case MDB_INT: return 2;       // adSmallInt
    case MDB_LONGINT: return 3;   // adInteger
    case MDB_MONEY: return 6;     // adCurrency
    case MDB_FLOAT: return 4;     // adSingle
    case MDB_DOUBLE: return 5;    // adDouble
    case MDB_DATETIME: return 7;  // adDate
    case MDB_BINARY: return 204;  // adVarBinary
    case MDB_TEXT: return 202;    // adVarWChar
    case MDB_OLE: return 205;     // adLongVarBinary
    case MDB_MEMO: return 203;    // adLongVarWChar
    case MDB_REPID: return 72;    // adGUID
    case MDB_NUMERIC: return 131; // adNumeric
    default: return 13;           // adIUnknown: multi-valued and other complex columns
    }
}

struct AccessFile::Handle {
    MdbHandle* mdb = nullptr;
    ~Handle()
    {
        if (mdb) {
            LibraryOutputSilencer quiet;
            mdb_close(mdb);
        }
    }
};

AccessFile::~AccessFile() = default;

std::unique_ptr<AccessFile> AccessFile::open(const std::string& path, std::string& reason)
{
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) {
        reason = "Could not find file '" + path + "'.";
        return nullptr;
    }
    if (access(path.c_str(), R_OK) != 0) {
        reason = "Cannot open the file '" + path + "': you need permission to read it.";
        return nullptr;
    }
    std::unique_ptr<AccessFile> file(new AccessFile);
    file->path_ = path;
    file->handle_ = std::make_unique<Handle>();
    LibraryOutputSilencer quiet;
    // libmdb checks only the first page; anything shorter than two pages holds no catalog.
    if (info.st_size < 2 * 2048 || !(file->handle_->mdb = mdb_open(path.c_str(), MDB_NOFLAGS))) {
        reason = "Unrecognized database format '" + path + "'.";
        return nullptr;
    }
    MdbHandle* mdb = file->handle_->mdb;
    switch (mdb->f->jet_version) {
    case MDB_VER_JET3: file->format_ = formatJet3; break;
    case MDB_VER_JET4: file->format_ = formatJet4; break;
    default: file->format_ = formatAce; break;
    }
    if (info.st_size < 2 * mdb->fmt->pg_size || !catalogIsReadable(mdb)
        || !catalogPropertiesAreSound(mdb, static_cast<std::size_t>(info.st_size)) || !mdb_read_catalog(mdb, MDB_TABLE)) {
        reason = "Unrecognized database format '" + path + "'.";
        return nullptr;
    }
    return file;
}

std::vector<std::string> AccessFile::tableNames() const
{
    std::vector<std::string> names;
    MdbHandle* mdb = handle_->mdb;
    if (!mdb->catalog)
        return names;
    for (unsigned i = 0; i < mdb->catalog->len; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry && mdb_is_user_table(entry))
            names.emplace_back(entry->object_name);
    }
    return names;
}

bool AccessFile::readTable(const std::string& name, Table& table, std::string& reason) const
{
    LibraryOutputSilencer quiet;
    MdbHandle* mdb = handle_->mdb;
    MdbCatalogEntry* found = nullptr;
    for (unsigned i = 0; mdb->catalog && i < mdb->catalog->len && !found; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry && mdb_is_user_table(entry) && equalsIgnoringCase(entry->object_name, name))
            found = entry;
    }
    if (!found) {
        reason = "The database engine cannot find the input table or query '" + name
                 + "'. Make sure it exists and that its name is spelled correctly.";
        return false;
    }

    std::unique_ptr<MdbTableDef, TableDefDeleter> def(mdb_read_table(found));
    if (!def || !mdb_read_columns(def.get()) || def->num_cols == 0 || def->num_cols > MDB_MAX_COLS
        || def->columns->len != def->num_cols) {
        reason = "The table '" + name + "' cannot be read: its definition in the file is damaged.";
        return false;
    }

    if (!hasUsableUsageMap(def.get())) {
        reason = "The table '" + name + "' cannot be read: its page map in the file is damaged.";
        return false;
    }

    const bool jet3 = format_ == formatJet3;
    table = Table{};
    table.name = found->object_name;
    std::vector<MdbColumn*> columns(def->num_cols);
    for (unsigned c = 0; c < def->num_cols; ++c) {
        columns[c] = static_cast<MdbColumn*>(g_ptr_array_index(def->columns, c));
        ColumnInfo info;
        info.name = columns[c]->name;
        info.mdbType = columns[c]->col_type;
        info.adoType = adoTypeOfMdbType(columns[c]->col_type);
        info.definedSize = definedSizeOf(columns[c], jet3);
        info.attributes = attributesOf(columns[c]);
        table.columns.push_back(std::move(info));
    }

    const std::size_t pageSize = static_cast<std::size_t>(mdb->fmt->pg_size);
    struct stat fileInfo {};
    std::size_t pageLimit = 1000000;
    if (::stat(path_.c_str(), &fileInfo) == 0)
        pageLimit = static_cast<std::size_t>(fileInfo.st_size) / pageSize + 2;

    // A table's memo and OLE values are made of the file's own pages; four times the file
    // leaves room for every value read whole, and none for chains that loop.
    std::size_t longValueBudget = (std::size_t{1} << 20) + 4 * pageLimit * pageSize;
    auto longValuesDamaged = [&]() {
        reason = "The table '" + name + "' cannot be read: its memo or OLE values in the file are damaged.";
        return false;
    };
    std::string raw;

    bool within = forEachRow(def.get(), pageLimit, [&](const MdbField* fields) {
        std::vector<DbValue> row(def->num_cols);
        for (unsigned c = 0; c < def->num_cols; ++c) {
            const MdbField& field = fields[c];
            const MdbColumn* column = columns[static_cast<std::size_t>(field.colnum)];
            DbValue& value = row[c];
            if (column->col_type == MDB_BOOL) {
                // A yes/no value lives in the row's null mask: set means yes.
                value.kind = DbValue::kindBool;
                value.boolean = !field.is_null;
                continue;
            }
            bool inPage = field.value && field.siz >= 0 && field.start >= 0
                          && static_cast<std::size_t>(field.start) + static_cast<std::size_t>(field.siz) <= pageSize;
            if (field.is_null || !inPage) {
                value = DbValue::null();
                continue;
            }
            const auto* bytes = static_cast<const unsigned char*>(field.value);
            const auto length = static_cast<std::size_t>(field.siz);
            switch (column->col_type) {
            case MDB_TEXT:
                value.kind = DbValue::kindText;
                value.text = decodeJetText(bytes, length, jet3);
                break;
            case MDB_MEMO: {
                if (!readLongValue(mdb, bytes, length, longValueBudget, raw))
                    return false;
                value.kind = DbValue::kindText;
                value.text = decodeJetText(reinterpret_cast<const unsigned char*>(raw.data()), raw.size(), jet3);
                break;
            }
            case MDB_OLE:
                if (!readLongValue(mdb, bytes, length, longValueBudget, raw))
                    return false;
                value.kind = DbValue::kindBinary;
                value.text = raw;
                break;
            case MDB_BINARY:
                value.kind = DbValue::kindBinary;
                value.text.assign(reinterpret_cast<const char*>(bytes), length);
                break;
            default:
                value = decodeFixedValue(column->col_type, bytes, length, column->col_scale);
                break;
            }
        }
        table.rows.push_back(std::move(row));
        return true;
    });
    if (!within) {
        table = Table{};
        return longValuesDamaged();
    }
    return true;
}
