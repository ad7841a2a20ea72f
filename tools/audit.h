// The audit record: one line of JSON for each request that can change the
// switch or a session (every POST, PUT and DELETE of the management program,
// every login and logout of the login program), saying who did what from
// where and how it ended. It goes to syslog (facility authpriv, ident
// "mgmt-audit") and, when the web server names one in MGMT_AUDIT_FILE, to a
// file of JSON lines of its own. A sink that fails never fails, blocks or
// slows the request: the record is dropped and counted, and the next record
// that reaches the sink says how many it missed.
//
// A request is framed by auditBegin and auditEnd; in between, the code that
// serves it notes what it learns through the other calls. None of them
// writes to standard output or to the log.
#pragma once

#include <cstdint>
#include <span>

struct cJSON;

inline constexpr char kAuditFileEnv[] = "MGMT_AUDIT_FILE";
inline constexpr char kAuditIdent[] = "mgmt-audit";
// The file is renamed to its name with ".1" appended once it holds this
// many bytes (one older file is kept); the drop counts are kept beside it,
// under its name with ".dropped" appended.
inline constexpr long kAuditRotateSize = 4 * 1024 * 1024;

// Starts the record of the request now in the CGI environment.
void auditBegin();
// Writes the record for the program, unless the method is one that changes
// nothing (GET, HEAD, an unset one). unanswered: the HTTP status of a
// request the program answered without an envelope (0: none known).
void auditEnd(char const* program, int unanswered);
// The record written once the reply is out, so that the client never waits
// for it: after auditDeferWrites, auditEnd keeps it and auditWritePending
// writes it (as does the next auditBegin, if nothing did).
void auditDeferWrites();
void auditWritePending();

// The session the request runs under, as its file names it: the user's line
// and the privilege's line (line ends are dropped; an "admin" session, whose
// file holds no privilege, is named "admin").
void auditSession(char const* userLine, char const* privilegeLine);
// The same from the start of a session file's bytes.
void auditSessionText(char const* text, long length);
// The user and privilege (may be null) the login program decided on.
void auditUser(char const* user, char const* privilege);
// The members of the request's body, once parsed, or its text.
void auditMembers(cJSON const* object);
void auditBody(char const* text);
// Whether a record is being made that lacks the body: a request refused
// before its body was read has it read for the record.
bool auditBodyWanted();
// What the program answered: the HTTP status and the response code.
void auditStatus(int status);
void auditResponseCode(int32_t code);
// An event of the login program the codes do not tell ("lockout").
void auditEvent(char const* event);

// Members and query parameters whose values never reach a record: those
// whose names hold a secret name, in any letter case.
std::span<char const* const> auditSecretMembers();
bool auditSecret(char const* name);
