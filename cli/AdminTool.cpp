#include "AdminTool.h"

#include "dbengine/Engine.h"
#include "platform/Folders.h"
#include "session/Session.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <termios.h>
#include <unistd.h>

namespace cli {

namespace {

struct CommandShape {
    const char *name;
    std::size_t least, most;
};

constexpr CommandShape kCommands[] = {{"compact", 1, 2}, {"repair", 1, 1}, {"encrypt", 2, 2}, {"decrypt", 2, 2},
                                      {"convert", 2, 2}};

const CommandShape *shapeOf(const std::string &command)
{
    for (const CommandShape &shape : kCommands)
        if (command == shape.name)
            return &shape;
    return nullptr;
}

int fail(const std::string &message, int status)
{
    std::fprintf(stderr, "jetwarden-admin: %s\n", message.c_str());
    return status;
}

void dropLineBreak(std::string &line)
{
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
}

// Reads a line from the terminal without showing it.
std::string askHidden(const char *prompt)
{
    std::fputs(prompt, stderr);
    std::fflush(stderr);
    termios saved {};
    const bool hidden = ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (hidden) {
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    std::string line;
    std::getline(std::cin, line);
    if (hidden)
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    std::fputs("\n", stderr);
    dropLineBreak(line);
    return line;
}

// The file password: the first line of --key-file, else $JETWARDEN_KEY, else asked for on the
// terminal (twice when encrypting), else the first line of standard input. Never taken from the
// command line, where every user of the machine could read it.
bool filePassword(const AdminOptions &o, std::string &password, std::string &error)
{
    if (!o.keyFile.empty()) {
        std::ifstream in(o.keyFile, std::ios::binary);
        if (!in) {
            error = "cannot read the password file '" + o.keyFile + "'";
            return false;
        }
        std::getline(in, password);
        dropLineBreak(password);
        return true;
    }
    if (const char *fromEnvironment = std::getenv("JETWARDEN_KEY")) {
        password = fromEnvironment;
        return true;
    }
    if (::isatty(STDIN_FILENO)) {
        password = askHidden("File password: ");
        if (o.command == "encrypt" && askHidden("Again: ") != password) {
            error = "the passwords do not match";
            return false;
        }
        return true;
    }
    std::getline(std::cin, password);
    dropLineBreak(password);
    return true;
}

// The options jetwarden-sql takes but that mean nothing to a whole-file operation.
std::string unusedOption(const Options &o)
{
    if (o.create)
        return "--new";
    if (o.exclusive)
        return "--exclusive";
    if (o.readOnly)
        return "--read-only";
    if (!o.history.empty())
        return "--history";
    if (o.schema)
        return "--schema";
    if (!o.dialect.empty())
        return "--dialect";
    if (!o.parameters.empty())
        return "--param";
    return {};
}

void run(session::Session &session, const AdminOptions &o, const std::string &password)
{
    const std::string &first = o.files[0];
    const std::string second = o.files.size() > 1 ? o.files[1] : std::string();
    if (o.command == "compact")
        session.compact(first, second);
    else if (o.command == "repair")
        session.repair(first);
    else if (o.command == "encrypt")
        session.encrypt(first, second, password);
    else if (o.command == "convert")
        session.convert(first, second, o.login.jetCharset, [](int n, int total, const std::string &table) {
            std::fprintf(stderr, "Table %d of %d: %s\n", n, total, table.c_str());
        });
    else
        session.decrypt(first, second, password);
}

} // namespace

std::string adminUsage()
{
    return "usage: jetwarden-admin COMMAND [--user NAME] [--password PW | --password-file FILE]\n"
           "                       [--system-db PATH] [--engine 0|1|2] [--key-file FILE]\n"
           "                       [--jet-charset NAME] FILE...\n"
           "       jetwarden-admin --help | --version\n"
           "Commands:\n"
           "  compact SOURCE [TARGET]   a compacted copy in TARGET; without TARGET it\n"
           "                            replaces SOURCE once complete\n"
           "  repair FILE               checks FILE and rebuilds it in place\n"
           "  encrypt SOURCE TARGET     an encrypted copy of SOURCE in TARGET\n"
           "  decrypt SOURCE TARGET     a decrypted copy of SOURCE in TARGET\n"
           "  convert SOURCE TARGET     a new engine database TARGET with everything of the\n"
           "                            Access file SOURCE (never over an existing file);\n"
           "                            --jet-charset NAME reads Jet 3 text in code page NAME\n"
           "A TARGET that exists is replaced only once the new file is complete; convert\n"
           "refuses it. The file password of encrypt and decrypt is the first line of\n"
           "--key-file FILE, else $JETWARDEN_KEY, else asked for (or read from standard\n"
           "input). An account given with --user or a password must log in before\n"
           "anything is done; its password is read from --password-file FILE (its first\n"
           "line) or from the environment variable JETWARDEN_PASSWORD when --password is\n"
           "not given.\n"
           "Exit status: 0 done, 1 the operation failed or was refused, 2 wrong arguments.\n";
}

bool parseAdminOptions(int argc, char **argv, AdminOptions &o, std::string &error)
{
    if (argc < 2) {
        error = "no command given";
        return false;
    }
    o.command = argv[1];
    if (o.command == "--help" || o.command == "-h")
        return false;
    const CommandShape *shape = shapeOf(o.command);
    if (!shape) {
        error = "unknown command " + o.command;
        return false;
    }
    // The account, workgroup and engine options are read exactly as jetwarden-sql reads them;
    // the file password option is this tool's own.
    std::vector<char *> rest = {argv[0]};
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--key-file") {
            if (i + 1 >= argc) {
                error = "missing value after --key-file";
                return false;
            }
            o.keyFile = argv[++i];
        } else if (a == "-") {
            error = "standard input cannot stand for a database file";
            return false;
        } else {
            rest.push_back(argv[i]);
        }
    }
    if (!parseOptions(int(rest.size()), rest.data(), o.login, error)) {
        if (error == "no database given")
            error = "no file given";
        return false;
    }
    if (const std::string option = unusedOption(o.login); !option.empty()) {
        error = option + " is not an option of jetwarden-admin";
        return false;
    }
    o.files = {o.login.database};
    if (!o.login.script.empty())
        o.files.push_back(o.login.script);
    if (o.files.size() < shape->least || o.files.size() > shape->most) {
        error = "wrong number of files for " + o.command;
        return false;
    }
    return true;
}

int runAdmin(const AdminOptions &o)
{
    // A workgroup file that was named must exist: the engine would otherwise fall back to
    // another one without a word.
    if (!o.login.systemDb.empty() && !platform::fileExists(o.login.systemDb))
        return fail("the workgroup information file '" + o.login.systemDb + "' does not exist", 2);
    std::string password, error;
    if ((o.command == "encrypt" || o.command == "decrypt") && !filePassword(o, password, error))
        return fail(error, 2);

    dbengine::registerEngine();
    session::Session session;
    if (!session.startEngine(o.login.engine, o.login.systemDb))
        return fail(session.lastError().empty() ? "the database engine is not available" : session.lastError(), 1);
    if (o.login.loginGiven) {
        if (!session.logIn({o.login.user, o.login.password}))
            return fail(session.lastError(), 1);
    }
    try {
        run(session, o, password);
    } catch (const std::exception &e) {
        return fail(e.what(), 1);
    }
    return 0;
}

} // namespace cli
