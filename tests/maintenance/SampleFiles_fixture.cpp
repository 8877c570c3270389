#include "SampleFiles.h"

#include "automation/Error.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sqlite3.h>
#include <stdexcept>

namespace sample {

namespace {

constexpr int pageSize = 4096;

// A connection that closes itself; test set-up failures throw.
class Db {
public:
    explicit Db(const std::string &path)
    {
        if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK)
            throw std::runtime_error("cannot open " + path);
    }
    ~Db() { sqlite3_close_v2(db_); }
    sqlite3 *get() const { return db_; }

    void exec(const std::string &sql)
    {
        char *message = nullptr;
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
            const std::string text = message ? message : "?";
            sqlite3_free(message);
            throw std::runtime_error(text + " in: " + sql);
        }
    }

    std::vector<std::string> rows(const std::string &sql)
    {
        sqlite3_stmt *statement = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
            throw std::runtime_error(std::string(sqlite3_errmsg(db_)) + " in: " + sql);
        std::vector<std::string> out;
        int rc;
        while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
            std::string row;
            for (int i = 0; i < sqlite3_column_count(statement); ++i) {
                const auto *text = sqlite3_column_text(statement, i);
                row += (i ? "|" : "") + (text ? std::string(reinterpret_cast<const char *>(text)) : "NULL");
            }
            out.push_back(row);
        }
        const std::string message = sqlite3_errmsg(db_);
        sqlite3_finalize(statement);
        if (rc != SQLITE_DONE)
            throw std::runtime_error(message + " in: " + sql);
        return out;
    }

private:
    sqlite3 *db_ = nullptr;
};

std::string note(int i)
{
    std::string text = "Order " + std::to_string(i) + " for Zanzibar ";
    text.resize(300, '.');
    return text;
}

std::int64_t readVarint(const unsigned char *&p)
{
    std::int64_t value = 0;
    for (int i = 0; i < 8; ++i) {
        value = (value << 7) | (*p & 0x7f);
        if ((*p++ & 0x80) == 0)
            return value;
    }
    return (value << 8) | *p++;
}

} // namespace

Folder::Folder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "jw-maintenance-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a scratch folder");
    path_ = pattern;
}

Folder::~Folder()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string Folder::file(const std::string &name) const
{
    return path_ + "/" + name;
}

std::set<std::string> Folder::entries() const
{
    std::set<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(path_))
        names.insert(entry.path().filename().string());
    return names;
}

void makeDatabase(const std::string &path)
{
    Db db(path);
    db.exec("PRAGMA page_size=4096;"
            "CREATE TABLE customers (id INTEGER PRIMARY KEY, name TEXT NOT NULL, city TEXT);"
            "CREATE TABLE orders (id INTEGER PRIMARY KEY AUTOINCREMENT,"
            " customer_id INTEGER REFERENCES customers(id), amount REAL, note TEXT);"
            "CREATE INDEX orders_by_customer ON orders (customer_id);"
            "CREATE VIEW big_orders AS SELECT id, amount FROM orders WHERE amount > 500;"
            "CREATE TABLE audit (order_id INTEGER, action TEXT);"
            "CREATE TRIGGER orders_audit AFTER INSERT ON orders"
            " BEGIN INSERT INTO audit VALUES (new.id, 'insert'); END;"
            "CREATE TABLE scratch (filler TEXT);"
            "BEGIN");
    for (int i = 1; i <= 40; ++i)
        db.exec("INSERT INTO customers (name, city) VALUES ('Customer " + std::to_string(i) + "', '"
                + (i % 2 ? "Lyon" : "Porto") + "')");
    for (int i = 1; i <= 600; ++i)
        db.exec("INSERT INTO orders (customer_id, amount, note) VALUES (" + std::to_string(i % 40 + 1)
                + ", " + std::to_string(i * 1.5) + ", '" + note(i) + "')");
    db.exec("INSERT INTO scratch SELECT zeroblob(1000) FROM orders LIMIT 60;"
            "COMMIT;"
            "DELETE FROM orders WHERE id % 3 = 0;"
            "DROP TABLE scratch;");
}

void makeUnfinishedTransactionCopy(const std::string &source, const std::string &copy)
{
    Db db(source);
    // A one-page cache makes SQLite write changed pages into the file before the commit.
    db.exec("PRAGMA cache_size=1; BEGIN; UPDATE orders SET note = 'changed';");
    std::filesystem::copy_file(source, copy);
    std::filesystem::copy_file(source + "-journal", copy + "-journal");
    db.exec("ROLLBACK");
}

void addRowsInWriteAheadLog(const std::string &path, int rows)
{
    Db db(path);
    db.exec("PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0; BEGIN");
    for (int i = 0; i < rows; ++i)
        db.exec("INSERT INTO orders (customer_id, amount, note) VALUES (1, 1.0, 'in the log "
                + std::to_string(i) + "')");
    db.exec("COMMIT");
    // Closing would copy the log into the file; leave it as a crash would.
    sqlite3_db_config(db.get(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
}

void exec(const std::string &path, const std::string &sql)
{
    Db(path).exec(sql);
}

std::vector<std::string> rows(const std::string &path, const std::string &sql)
{
    return Db(path).rows(sql);
}

std::vector<std::string> contents(const std::string &path)
{
    Db db(path);
    std::vector<std::string> out =
        db.rows("SELECT type, name, tbl_name, sql FROM sqlite_schema ORDER BY name");
    for (const std::string &table :
         db.rows("SELECT name FROM sqlite_schema WHERE type = 'table' ORDER BY name")) {
        for (const std::string &row : db.rows("SELECT * FROM \"" + table + "\" ORDER BY rowid"))
            out.push_back(table + ": " + row);
    }
    return out;
}

std::string integrity(const std::string &path)
{
    try {
        const std::vector<std::string> result = Db(path).rows("PRAGMA integrity_check");
        return result.empty() ? std::string() : result.front();
    } catch (const std::runtime_error &error) {
        return error.what(); // a check that cannot even run found damage as well
    }
}

std::vector<std::int64_t> leafPages(const std::string &path, const std::string &table)
{
    std::vector<std::int64_t> pages;
    for (const std::string &page : Db(path).rows("SELECT pageno FROM dbstat WHERE name = '" + table
                                                 + "' AND pagetype = 'leaf' ORDER BY path"))
        pages.push_back(std::stoll(page));
    return pages;
}

std::vector<std::int64_t> rowidsOnPage(const std::string &path, std::int64_t page)
{
    const std::string bytes = readBytes(path).substr(std::size_t(page - 1) * pageSize, pageSize);
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.data());
    if (data[0] != 0x0d)
        throw std::runtime_error("not a table leaf page");
    const int cells = (data[3] << 8) | data[4];
    std::vector<std::int64_t> rowids;
    for (int i = 0; i < cells; ++i) {
        const unsigned char *cell = data + ((data[8 + 2 * i] << 8) | data[9 + 2 * i]);
        readVarint(cell); // payload size
        rowids.push_back(readVarint(cell));
    }
    return rowids;
}

void misplaceTable(const std::string &path, const std::string &table)
{
    Db(path).exec("PRAGMA writable_schema=ON;"
                  "UPDATE sqlite_schema SET rootpage = 99999 WHERE name = '" + table + "'");
}

void damagePage(const std::string &path, std::int64_t page)
{
    std::string bytes = readBytes(path);
    bytes.replace(std::size_t(page - 1) * pageSize, 8, 8, '\xff');
    writeBytes(path, bytes);
}

std::string readBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeBytes(const std::string &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

bool exists(const std::string &path)
{
    std::error_code ignored;
    return std::filesystem::symlink_status(path, ignored).type() != std::filesystem::file_type::not_found;
}

Failure failureOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const automation::Error &error) {
        return {error.code(), error.what()};
    }
    return {};
}

} // namespace sample
