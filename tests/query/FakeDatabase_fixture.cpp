#include "FakeDatabase.h"

namespace fakes {

namespace {

std::shared_ptr<FakeCollection> makeFields(const std::vector<Column> &columns, const LogPtr &log)
{
    auto fields = std::make_shared<FakeCollection>("Fields", log);
    for (const Column &c : columns) {
        auto field = makeObject("Field", log, c.name);
        field->set("Type", c.type).set("Size", c.size);
        fields->items.push_back(field);
    }
    return fields;
}

// GetRows as the engine gives it: [field, row] over the rows asked for, at most all of them.
Variant rowsOf(const TableData &table, std::int64_t wanted)
{
    const std::size_t rows = std::size_t(std::max<std::int64_t>(
        0, std::min<std::int64_t>(wanted, std::int64_t(table.rows.size()))));
    auto array = std::make_shared<automation::Array>(table.columns.size(), rows);
    for (std::size_t r = 0; r < rows; ++r)
        for (std::size_t c = 0; c < table.columns.size(); ++c)
            array->set(c, r, table.rows[r].at(c));
    return Variant(std::shared_ptr<const automation::Array>(array));
}

} // namespace

Variant FakeDatabase::invoke(Invoke kind, const std::string &member, const Args &args)
{
    if (member == "parameterprompt" && kind == Invoke::Put) {
        prompt_ = args.empty() ? Variant() : args[0];
        return {};
    }
    if (member == "openrecordset" || member == "execute") {
        log_->push_back(describeCall("Database", member, args));
        const std::string sql = arg(args, 0).toText();
        if (auto a = asks.find(sql); a != asks.end()) {
            const Variant answer = prompt_.isObject() ? prompt_.call("Ask", {a->second}) : Variant();
            answers.push_back(answer.isEmpty() ? "(none)" : answer.toText());
        }
        if (auto f = failures.find(sql); f != failures.end())
            throw automation::Error(f->second, 3075, "FakeEngine");
        if (exhausting.count(sql))
            throw std::bad_alloc();
        if (member == "execute" && rowReturning.count(sql))
            throw automation::Error("The statement returns rows; open it as a recordset instead of executing it.",
                                    3065, "FakeEngine");
        if (member == "openrecordset")
            return openRecordset(sql);
        auto a = affected.find(sql);
        recordsAffected_ = a == affected.end() ? 0 : a->second;
        return {};
    }
    if (member == "recordsaffected")
        return recordsAffected_;
    noMember(member);
}

Variant FakeDatabase::openRecordset(const std::string &sql)
{
    auto t = tables.find(sql);
    if (t == tables.end())
        throw automation::Error("The engine cannot find '" + sql + "'.", 3078, "FakeEngine");
    const TableData &table = t->second;
    auto recordset = makeObject("Recordset", log_);
    recordset->set("Fields", Variant(makeFields(table.columns, log_)));
    for (const char *step : {"MoveFirst", "Close"})
        recordset->on(step, [](const Args &) { return Variant(); });
    // Like the engine's snapshot, the rows are read as the position moves forward and the
    // record count is that of the rows read; the first row is read when it opens.
    const std::int64_t total = std::int64_t(table.rows.size());
    auto read = std::make_shared<std::int64_t>(std::min<std::int64_t>(total, 1));
    recordset->on("MoveLast", [read, total](const Args &) {
        *read = total;
        return Variant();
    });
    recordset->on("Move", [read, total](const Args &a) {
        *read = std::min(total, *read + a.at(0).toInt64());
        return Variant();
    });
    recordset->on("EOF", [read, total](const Args &) { return Variant(*read >= total); });
    recordset->on("RecordCount", [read](const Args &) { return Variant(std::int32_t(*read)); });
    recordset->on("GetRows", [&table](const Args &a) { return rowsOf(table, a.at(0).toInt64()); });
    if (!failingRecordsetMember.empty())
        recordset->fail(failingRecordsetMember, "Recordset member failed.");
    return Variant(recordset);
}

} // namespace fakes
