#include "Recordset.h"

#include "ErrorCodes.h"
#include "TypeMap.h"
#include "automation/CellStore.h"
#include "automation/Error.h"

#include <cmath>
#include <sqlite3.h>

namespace dbengine {

using automation::Error;
using automation::Invoke;
using automation::Variant;

namespace {

// A cell as the column's declared type asks for it, added to the row being read; without a
// declared type SQLite's own storage class decides.
void addCell(automation::CellStore &cells, sqlite3_stmt *st, int i, std::int16_t type)
{
    switch (sqlite3_column_type(st, i)) {
    case SQLITE_NULL:
        cells.addNull();
        return;
    case SQLITE_INTEGER: {
        const sqlite3_int64 v = sqlite3_column_int64(st, i);
        if (type == dao::Boolean)
            cells.addBool(v != 0);
        else if (type == dao::Currency)
            cells.addCurrency(automation::Currency{v * 10000});
        else if (type == dao::Double || type == dao::Single)
            cells.addDouble(double(v));
        else
            cells.addInteger(v);
        return;
    }
    case SQLITE_FLOAT: {
        const double v = sqlite3_column_double(st, i);
        if (type == dao::Currency)
            cells.addCurrency(automation::Currency{std::llround(v * 10000.0)});
        else
            cells.addDouble(v);
        return;
    }
    case SQLITE_TEXT: {
        const char *p = reinterpret_cast<const char *>(sqlite3_column_text(st, i));
        std::string_view text(p, std::size_t(sqlite3_column_bytes(st, i)));
        if (type == dao::Date) {
            if (auto d = automation::parseDate(text)) {
                cells.addDate(*d);
                return;
            }
        }
        cells.addText(text);
        return;
    }
    default: {
        const auto *p = static_cast<const std::uint8_t *>(sqlite3_column_blob(st, i));
        cells.addBytes(p, std::size_t(sqlite3_column_bytes(st, i)));
        return;
    }
    }
}

std::int16_t typeOfValue(automation::VarType type)
{
    switch (type) {
    case automation::VarType::Boolean:
        return dao::Boolean;
    case automation::VarType::Long:
        return dao::Long;
    case automation::VarType::BigInt:
        return dao::BigInt;
    case automation::VarType::Double:
        return dao::Double;
    case automation::VarType::Currency:
        return dao::Currency;
    case automation::VarType::Date:
        return dao::Date;
    case automation::VarType::Bytes:
        return dao::LongBinary;
    default:
        return dao::Text;
    }
}

} // namespace

Recordset::Recordset(std::shared_ptr<DatabaseCore> core, const std::string &sql)
    : core_(std::move(core))
{
    statement_ = std::make_unique<Statement>(core_->db().handle(), sql);
    if (!statement_->handle())
        throw Error("The statement text is empty.", err::EmptyStatement, "DAO.Database");
    if (statement_->hasTail())
        throw Error("Only one statement can be opened at a time; characters were found after the end of the SQL statement.",
                    err::SqlError, "DAO.Database");
    const int n = statement_->columnCount();
    if (n == 0)
        throw Error("The statement returns no rows; run it with Execute instead of opening a recordset.",
                    err::RowReturning, "DAO.Database");
    sqlite3_stmt *st = statement_->handle();
    for (int i = 0; i < n; ++i) {
        Column c{sqlite3_column_name(st, i), 0, 0};
        if (const char *decl = sqlite3_column_decltype(st, i)) {
            const FieldType t = mapDeclaredType(decl);
            c.declaredType = t.type;
            c.size = t.size;
        }
        columns_.push_back(std::move(c));
    }
    cells_ = std::make_shared<automation::CellStore>(columns_.size());
    // The first row is read at once, so errors of the statement show when it is opened.
    fetchTo(0);
}

void Recordset::readRow()
{
    sqlite3_stmt *st = statement_->handle();
    const int n = int(columns_.size());
    try {
        for (int i = 0; i < n; ++i)
            addCell(*cells_, st, i, columns_[std::size_t(i)].declaredType);
    } catch (...) {
        // A row that cannot be kept whole is not kept at all.
        cells_->dropIncompleteRow();
        throw;
    }
    ++rows_;
}

bool Recordset::fetchTo(std::size_t n)
{
    while (rows_ <= n && statement_) {
        try {
            if (!statement_->step()) {
                statement_.reset(); // done: release the read lock
                break;
            }
            readRow();
        } catch (...) {
            // The read ends with the rows kept before the failure.
            statement_.reset();
            throw;
        }
    }
    return n < rows_;
}

void Recordset::fetchAll()
{
    fetchTo(std::size_t(-2));
}

void Recordset::checkOpen() const
{
    if (closed_)
        throw Error("Object invalid or no longer set: the recordset is closed.", err::ObjectClosed,
                    "DAO.Recordset");
}

Variant Recordset::value(std::size_t column) const
{
    checkOpen();
    if (position_ >= rows_ || bof_)
        throw Error("No current record.", err::NoCurrentRecord, "DAO.Recordset");
    return cells_->at(position_, column);
}

FieldInfo Recordset::fieldInfo(std::size_t i) const
{
    const Column &c = columns_[i];
    FieldInfo f{c.name, c.declaredType, c.size};
    if (f.type == 0) {
        // Without a declared type the first value that is not Null gives the type.
        f.type = dao::Text;
        for (std::size_t r = 0; r < rows_; ++r) {
            const automation::VarType t = cells_->type(r, i);
            if (t != automation::VarType::Null) {
                f.type = typeOfValue(t);
                break;
            }
        }
        f.size = f.type == dao::Long ? 4 : (f.type == dao::Double || f.type == dao::BigInt) ? 8 : 0;
    }
    return f;
}

Variant Recordset::fields()
{
    std::vector<Variant> items;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        auto self = std::static_pointer_cast<Recordset>(shared_from_this());
        items.emplace_back(std::make_shared<FieldObject>(fieldInfo(i), [self, i] { return self->value(i); }));
    }
    return std::make_shared<ListCollection>("Fields", std::move(items));
}

// Rows from the current one on, at most `count`, as an array [field, row]; the cursor moves past them.
Variant Recordset::getRows(const automation::Args &args)
{
    const std::int64_t wanted = args.empty() || args[0].isEmpty() ? 1 : args[0].toInt64();
    std::size_t take = 0;
    if (wanted > 0 && !bof_) {
        fetchTo(position_ + std::size_t(wanted) - 1);
        take = std::min<std::size_t>(std::size_t(wanted), rows_ > position_ ? rows_ - position_ : 0);
    }
    auto array = std::make_shared<const automation::Array>(cells_, position_, take);
    position_ += take;
    fetchTo(position_);
    return Variant(std::shared_ptr<const automation::Array>(array));
}

Variant Recordset::invoke(Invoke kind, const std::string &m, const automation::Args &args)
{
    checkOpen();
    if (kind == Invoke::Put)
        readOnly(m);
    // Moving in an empty recordset does nothing rather than failing: there is no current
    // record either way, and a query without rows is no error.
    if (m == "movefirst") {
        position_ = 0;
        bof_ = false;
        return {};
    }
    if (m == "movelast") {
        fetchAll();
        position_ = rows_ ? rows_ - 1 : 0;
        bof_ = false;
        return {};
    }
    // Move(n) moves n records forward (reading them) or back; past the last record is EOF, and
    // before the first BOF. A caller that wants to stay responsive reads a long result in steps.
    if (m == "move" && kind == Invoke::Call) {
        const std::int64_t rows = arg(args, 0).toInt64();
        if (rows >= 0) {
            // From before the first record, one step forward reaches the first.
            const std::size_t target = position_ + std::size_t(rows) - (bof_ && rows > 0 ? 1 : 0);
            fetchTo(target);
            position_ = std::min(target, rows_);
            bof_ = bof_ && rows == 0;
        } else if (std::size_t(-rows) > position_) {
            position_ = 0;
            bof_ = true;
        } else {
            position_ -= std::size_t(-rows);
        }
        return {};
    }
    if (m == "movenext") {
        if (position_ < rows_)
            ++position_;
        bof_ = false;
        fetchTo(position_);
        return {};
    }
    if (m == "moveprevious") {
        if (position_ == 0)
            bof_ = true;
        else
            --position_;
        return {};
    }
    if (m == "eof")
        return !bof_ && !fetchTo(position_);
    if (m == "bof")
        return bof_ || rows_ == 0;
    if (m == "recordcount")
        return std::int64_t(rows_);
    if (m == "absoluteposition")
        return position_ < rows_ ? std::int64_t(position_) : std::int64_t(-1);
    if (m == "fields")
        return args.empty() ? fields() : fields().item(args[0]);
    if (m == "getrows")
        return getRows(args);
    if (m == "close") {
        statement_.reset();
        cells_.reset();
        closed_ = true;
        return {};
    }
    if (m == "updatable")
        return false;
    noMember(m);
}

} // namespace dbengine
