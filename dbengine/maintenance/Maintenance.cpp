#include "Maintenance.h"

#include "Failure.h"
#include "FileHandle.h"
#include "Files.h"
#include "OpenFile.h"
#include "Repair.h"
#include "Seal.h"
#include "SealedHeader.h"
#include "TempFile.h"
#include "Vacuum.h"
#include "dbengine/ErrorCodes.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dbengine::maintenance {

namespace {

void requirePassword(const std::string &password, const char *action, const std::string &path)
{
    if (password.empty())
        fail(err::InvalidPassword,
             std::string("A password is required to ") + action + " " + quotedName(path) + ".");
}

void requireSealed(const std::string &path)
{
    const FileKind kind = kindOf(path);
    if (kind == FileKind::Sealed)
        return;
    if (kind == FileKind::Database)
        fail(err::NotEncrypted, quotedName(path) + " is not encrypted, so there is nothing to decrypt.");
    requirePlainDatabase(path); // reports a missing file or one that is no database
}

// A journal or log left beside the destination name belongs to no file; SQLite would apply it
// to the new database.
void publishDatabase(TempFile &temp)
{
    removeSidecars(temp.target());
    temp.commitAsNew();
}

void requireDecryptedDatabase(const TempFile &temp, const std::string &source)
{
    const std::string problem = quotedName(source) + " did not decrypt to a sound database.";
    if (kindOf(temp.path()) != FileKind::Database)
        fail(err::Damaged, problem);
    Connection db = openFile(temp.path(), Access::ReadWrite);
    if (!isSound(db, false))
        fail(err::Damaged, problem);
}

} // namespace

void compact(const std::string &source, const std::string &destination)
{
    requirePlainDatabase(source);
    requireNewDestination(source, destination);
    TempFile temp(destination);
    compactInto(source, temp);
    temp.sync();
    publishDatabase(temp);
}

void repair(const std::string &path)
{
    repairDatabase(path);
}

void encrypt(const std::string &source, const std::string &destination, const std::string &password)
{
    requirePassword(password, "encrypt", source);
    if (kindOf(source) == FileKind::Sealed)
        fail(err::Encrypted, quotedName(source) + " is already encrypted.");
    requirePlainDatabase(source);
    requireNewDestination(source, destination);
    // The plain copy is kept in memory only: as a file it would be readable after a kill.
    const MemoryCopy plain(source);
    TempFile sealed(destination);
    {
        FileHandle out = FileHandle::openForWriting(sealed.path(), destination);
        seal(plain.data(), plain.size(), out, password);
        out.sync();
    }
    sealed.commitAsNew();
}

void decrypt(const std::string &source, const std::string &destination, const std::string &password)
{
    requirePassword(password, "decrypt", source);
    requireSealed(source);
    requireNewDestination(source, destination);
    TempFile plain(destination);
    {
        FileHandle in = FileHandle::openForReading(source);
        FileHandle out = FileHandle::openForWriting(plain.path(), destination);
        unseal(in, out, password);
        out.sync();
    }
    requireDecryptedDatabase(plain, source);
    publishDatabase(plain);
}

bool isSealed(const std::string &path)
{
    // Non-blocking, so that a pipe given as the path cannot hold the caller up.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st {};
    unsigned char head[16] = {};
    const ssize_t size = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? ::read(fd, head, sizeof head) : 0;
    ::close(fd);
    return size > 0 && hasSealMagic(head, std::size_t(size));
}

} // namespace dbengine::maintenance
