#include "Salvage.h"

#include "Failure.h"
#include "RowWalker.h"
#include "TableCopy.h"

#include "automation/Text.h"
#include "dbengine/Sqlite.h"

#include <cctype>
#include <sqlite3.h>

namespace dbengine::maintenance {

namespace {

bool startsWithWords(const std::string &sql, const std::string &upperWords)
{
    std::string words;
    for (char c : sql) {
        if (words.size() >= upperWords.size())
            break;
        if (std::isspace(static_cast<unsigned char>(c))) {
            if (!words.empty() && words.back() != ' ')
                words += ' ';
        } else {
            words += char(std::toupper(static_cast<unsigned char>(c)));
        }
    }
    return words == upperWords;
}

bool isVirtualTable(const std::string &sql)
{
    return startsWithWords(sql, "CREATE VIRTUAL TABLE");
}

bool isInternal(const std::string &name)
{
    return automation::lowerAscii(name.substr(0, 7)) == "sqlite_";
}

} // namespace

Salvage::Salvage(Connection &source, Connection &target) : source_(source), target_(target) {}

bool Salvage::run()
{
    // Read past a damaged schema entry instead of refusing the whole file, and never write to
    // the damaged file.
    source_.exec("PRAGMA writable_schema=ON; PRAGMA query_only=ON");
    copyFileSettings();
    target_.exec("PRAGMA journal_mode=MEMORY; PRAGMA synchronous=OFF; BEGIN");
    const std::vector<Entry> schema = readSchema();
    int recovered = createTables(schema);
    for (const auto &[table, isVirtual] : copiedTables_)
        TableCopy(source_, target_, table, isVirtual).run();
    copySequences();
    recovered += createOthers(schema);
    copyHeaderValues();
    target_.exec("COMMIT");
    return recovered > 0;
}

std::vector<Salvage::Entry> Salvage::readSchema()
{
    std::vector<Entry> schema;
    RowWalker(source_, {"sqlite_schema", "type, name, sql", "rowid", {}})
        .visit([&](const Statement &row) {
            if (!row.isNull(2) && !isInternal(row.text(1)))
                schema.push_back({row.text(0), row.text(1), row.text(2)});
        });
    return schema;
}

// These settings only take effect on a database that holds nothing yet.
void Salvage::copyFileSettings()
{
    std::string value;
    if (source_.tryText("PRAGMA page_size", value) == SQLITE_ROW)
        target_.tryExec("PRAGMA page_size=" + std::to_string(std::stol(value)));
    if (source_.tryText("PRAGMA auto_vacuum", value) == SQLITE_ROW)
        target_.tryExec("PRAGMA auto_vacuum=" + std::to_string(std::stol(value)));
    if (source_.tryText("PRAGMA encoding", value) == SQLITE_ROW)
        target_.tryExec("PRAGMA encoding=" + quoteIdentifier(value));
}

void Salvage::copyHeaderValues()
{
    std::string value;
    for (const char *pragma : {"user_version", "application_id"}) {
        if (source_.tryText(std::string("PRAGMA ") + pragma, value) == SQLITE_ROW)
            target_.exec(std::string("PRAGMA ") + pragma + "=" + std::to_string(std::stoll(value)));
    }
}

int Salvage::createTables(const std::vector<Entry> &schema)
{
    int created = 0;
    // Virtual tables first: they create their own storage tables, which are then skipped.
    for (const bool virtualPass : {true, false}) {
        for (const Entry &entry : schema) {
            if (entry.type != "table" || isVirtualTable(entry.sql) != virtualPass
                || targetHas(entry.name) || !create(entry.sql))
                continue;
            copiedTables_.emplace_back(entry.name, virtualPass);
            ++created;
        }
    }
    return created;
}

int Salvage::createOthers(const std::vector<Entry> &schema)
{
    int created = 0;
    for (const char *type : {"index", "view", "trigger"}) {
        for (const Entry &entry : schema) {
            if (entry.type == type && create(entry.sql))
                ++created;
        }
    }
    return created;
}

void Salvage::copySequences()
{
    if (!targetHas("sqlite_sequence") || !source_.compiles("SELECT name, seq FROM sqlite_sequence"))
        return;
    // Copying rows already raised each counter to the highest rowid copied; a counter the old
    // file held higher (rows deleted at the end) is kept, so numbers are never given twice.
    Statement add(target_, "INSERT INTO sqlite_sequence (name, seq) SELECT ?1, 0 WHERE NOT EXISTS "
                           "(SELECT 1 FROM sqlite_sequence WHERE name = ?1)");
    Statement raise(target_, "UPDATE sqlite_sequence SET seq = ?2 WHERE name = ?1 AND seq < ?2");
    RowWalker(source_, {"sqlite_sequence", "name, seq", "rowid", {}}).visit([&](const Statement &row) {
        const std::string table = row.text(0);
        if (!targetHas(table))
            return;
        add.reset();
        add.bind(1, table);
        add.step();
        raise.reset();
        raise.bind(1, table);
        raise.bind(2, row.integer(1));
        raise.step();
    });
}

// Runs one CREATE statement taken from the damaged schema; anything else found there is refused.
bool Salvage::create(const std::string &sql)
{
    if (!startsWithWords(sql, "CREATE ") || !target_.compiles(sql))
        return false;
    Statement statement(target_, sql);
    if (statement.hasTail())
        return false;
    const int rc = statement.tryStep();
    if (rc != SQLITE_DONE && isEnvironmentFailure(rc))
        target_.fail(rc);
    return rc == SQLITE_DONE;
}

bool Salvage::targetHas(const std::string &name)
{
    Statement find(target_, "SELECT 1 FROM sqlite_schema WHERE name = ?1 COLLATE NOCASE");
    find.bind(1, name);
    return find.step();
}

} // namespace dbengine::maintenance
