#pragma once

#include "automation/Variant.h"

#include <functional>
#include <map>
#include <memory>
#include <string>

namespace engine {
class TMSAccess;
}

namespace session {

// What a database is opened with: the account and the open flags.
struct Login {
    std::string user = "admin";
    std::string password;
};

struct OpenFlags {
    bool exclusive = false;
    bool readOnly = false;
};

// The one place where the program's work with database files lives, below the windows and the
// command-line tools: it owns the access object, the login and the open database, and runs the
// file workflows (create, open with the login probe, close, refresh, compact, repair, encrypt,
// decrypt, the default workgroup, saving a query definition).
//
// Failures of the engine come back as automation::Error carrying the engine's message, except
// where a failure is an ordinary answer (starting the engine, opening): those return false and
// leave the message in lastError(). No message is ever shown from here.
class Session {
public:
    Session();
    ~Session();
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    // The access object, for the catalogue, account and version questions the windows ask.
    engine::TMSAccess &access() { return *access_; }
    const engine::TMSAccess &access() const { return *access_; }

    // --- the engine -------------------------------------------------------------------------
    // Creates the engine of version `engineIndex` (0, 1, 2) with the workgroup file `systemDb`
    // (empty: the one the search finds). False with lastError() when it cannot be created.
    bool startEngine(int engineIndex, const std::string &systemDb);
    // Closes the database, the workspace and the engine.
    void stopEngine();
    bool engineActive() const;
    // With no workgroup file chosen or found, creates "system.mdw" in `folder` (once) and uses
    // it, so accounts work out of the box. Returns an error text, empty when nothing failed.
    std::string ensureDefaultWorkgroup(const std::string &folder);

    // --- the database -----------------------------------------------------------------------
    // A new empty database at `path`; never replaces a file. Throws automation::Error.
    void create(const std::string &path);
    // Closes what is open and opens the workspace alone under `login`, which checks the account
    // (tools that work on whole files do this). False with lastError() when it is refused.
    bool logIn(const Login &login);
    // Whether `path` opens under "admin" with an empty password (the open flags as they stand
    // on the access object); opens nothing for good.
    bool probeLogin(const std::string &path);
    // Why `path` cannot be opened whoever logs in (missing, not a database, encrypted, a
    // workgroup file); "" when it looks openable. Asked before anyone is asked to log in.
    std::string openProblem(const std::string &path) const;
    // Closes what is open, then opens `path` under `login`. False when nothing opened; then
    // lastError() holds openProblem() or the engine's message (empty when the user name was
    // empty).
    bool open(const std::string &path, const Login &login, const OpenFlags &flags);
    // Closes the database and the workspace; the engine stays.
    void close();
    // Creates the engine anew (so changed preferences apply) and opens the same file again
    // under the same login, without a probe. False as open() is.
    bool refresh(int engineIndex, const std::string &systemDb, const OpenFlags &flags);

    bool isOpen() const;
    // The open database (Null when none is open); windows that run SQL hold copies of it.
    const automation::Variant &database() const { return database_; }
    // The file last opened or tried, and the login used.
    const std::string &databaseFile() const { return databaseFile_; }
    const Login &login() const { return login_; }
    const std::string &lastError() const;

    // --- whole files ------------------------------------------------------------------------
    // Compacts `source` into `target`; without a target the compacted copy replaces `source`.
    void compact(const std::string &source, const std::string &target = {});
    // Checks and rebuilds `path` in place.
    void repair(const std::string &path);
    // Writes an encrypted (or decrypted) copy of `source` to `target`, replacing a file there
    // only once the copy is complete; `source` stays as it was, and is refused as `target`.
    void encrypt(const std::string &source, const std::string &target, const std::string &password);
    void decrypt(const std::string &source, const std::string &target, const std::string &password);
    // Converts the Access file `source` into a new engine database `target` (never over an
    // existing file); `progress` hears of each table (n of total) as it is copied. `charset`
    // names the code page of Jet 3 text, empty for the file's own. Throws automation::Error.
    using ConvertProgress = std::function<void(int n, int total, const std::string &table)>;
    void convert(const std::string &source, const std::string &target, const std::string &charset,
                 const ConvertProgress &progress = {});

    // --- definitions ------------------------------------------------------------------------
    // Saves a saved query: `definition` Null creates one named `name` in the open database,
    // otherwise the existing definition is renamed and its text changed. The engine then
    // checks the text; a rejected save is taken back whole (a created query is removed again,
    // an edited one gets its old name and text back) and the engine's error is thrown.
    automation::Variant saveQueryDefinition(const automation::Variant &definition, const std::string &name,
                                            const std::string &sql);

    // --- listeners --------------------------------------------------------------------------
    // Told after the open database changed: opened, closed or opened again by refresh.
    using Listener = std::function<void()>;
    int addListener(Listener listener);
    void removeListener(int id);

private:
    bool connect(const OpenFlags &flags);
    void releaseDatabase();
    void notify();
    // Refuses maintenance of the file that is open here, in plain words.
    void refuseOpenFile(const std::string &path) const;

    std::unique_ptr<engine::TMSAccess> access_;
    automation::Variant database_;
    std::string databaseFile_;
    Login login_;
    std::map<int, Listener> listeners_;
    int nextListener_ = 0;
};

} // namespace session
