#pragma once

#include <cstdint>

// Stable numeric codes of the engine's errors. The messages are the engine's own sentences;
// callers match on the code, never on the text.
namespace dbengine::err {

constexpr std::int32_t General = 3000;
constexpr std::int32_t NameInUse = 3012;         // an object of that name already exists
constexpr std::int32_t FileNotFound = 3024;      // no file at the given path
constexpr std::int32_t InvalidPassword = 3031;   // wrong, empty or too long password
constexpr std::int32_t WorkspaceNotFound = 3045;
constexpr std::int32_t Damaged = 3049;           // damaged, truncated or unreadable database
constexpr std::int32_t ReadOnlyFile = 3051;      // file may not be written
constexpr std::int32_t FileInUse = 3050;         // open elsewhere, or locked
constexpr std::int32_t AccountRefused = 3029;    // unknown account or wrong password
constexpr std::int32_t SqlError = 3075;          // the statement was refused by SQL
constexpr std::int32_t EmptyStatement = 3129;
constexpr std::int32_t RowReturning = 3065;      // Execute on a row-returning statement
constexpr std::int32_t DestinationExists = 3204;
constexpr std::int32_t ObjectClosed = 3420;
constexpr std::int32_t ItemNotFound = 3265;
constexpr std::int32_t InRelation = 3303;        // a table in a relation cannot be deleted
constexpr std::int32_t NotADatabase = 3343;      // a file that is no database of this engine
constexpr std::int32_t Encrypted = 3354;         // a sealed (encrypted) file where a plain one is needed
constexpr std::int32_t NotEncrypted = 3355;      // decrypting a plain (unsealed) database
constexpr std::int32_t IoError = 3043;           // the file system refused a read or write
constexpr std::int32_t NoCurrentRecord = 3021;
constexpr std::int32_t ReadOnlyDatabase = 3027;  // the database was opened read-only
constexpr std::int32_t AccountsUnavailable = 3033; // account changes without a workgroup file
constexpr std::int32_t WorkgroupUnusable = 3028;  // missing, damaged or not a workgroup information file
constexpr std::int32_t InvalidAccountName = 3030; // an account name breaks the naming rules
constexpr std::int32_t AccountProtected = 3032;   // a rule of the workgroup forbids the change
constexpr std::int32_t InvalidPid = 3304;         // a personal identifier of the wrong length
constexpr std::int32_t PermissionDenied = 3112;   // the account lacks a permission
constexpr std::int32_t InvalidArgument = 3001;

} // namespace dbengine::err
