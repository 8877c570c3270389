#pragma once

#include "FakeDatabase.h"

#include "query/core/ScriptRunner.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace fakes {

// A runner writing into a recording sink, against a fake database, with a clock that moves
// 10 ms at every reading so that every timed step takes 0.01 s.
class RunnerTest : public testing::Test {
protected:
    RunnerTest() { runner.CurrentDatabase = Variant(database); }

    // The calls that reached the database, in order.
    std::vector<std::string> databaseCalls() const
    {
        std::vector<std::string> calls;
        for (const std::string &entry : *log)
            if (entry.rfind("Database.", 0) == 0)
                calls.push_back(entry);
        return calls;
    }

    LogPtr log = std::make_shared<CallLog>();
    std::shared_ptr<FakeDatabase> database = std::make_shared<FakeDatabase>(log);
    RecordingSink sink;
    std::uint32_t now = 0;
    std::uint32_t step = 10;
    query::ScriptRunner runner{sink, [this] {
                                   const std::uint32_t reading = now;
                                   now += step;
                                   return reading;
                               }};
};

inline std::string executeCall(const std::string &sql)
{
    return "Database.execute(\"" + sql + "\")";
}

inline std::string openCall(const std::string &sql)
{
    return "Database.openrecordset(\"" + sql + "\", 4, 2)";
}

} // namespace fakes
