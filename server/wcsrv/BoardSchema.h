// The tables of a board's board.db, shared by the server library (which reads and updates them)
// and the board tool (which creates and fills them).
#pragma once

namespace BoardSchema {

// PRAGMA user_version of a board this library understands.
inline constexpr int kVersion = 1;

// Text columns hold Windows-1252 bytes; FILETIME columns hold 100 ns units since 1601 (0 =
// never). Key 1 of the file records is the unique index on (area, name), compared as bytes.
inline constexpr const char* kCreateSql = R"sql(
CREATE TABLE settings (
    id INTEGER PRIMARY KEY CHECK (id = 1),
    name TEXT NOT NULL DEFAULT '',
    sysop TEXT NOT NULL DEFAULT '',
    version INTEGER NOT NULL DEFAULT 6,
    build INTEGER NOT NULL DEFAULT 500);
CREATE TABLE conferences (number INTEGER PRIMARY KEY, name TEXT NOT NULL DEFAULT '');
CREATE TABLE areas (number INTEGER PRIMARY KEY, name TEXT NOT NULL DEFAULT '',
                    ftp_dir TEXT NOT NULL DEFAULT '');
CREATE TABLE languages (number INTEGER PRIMARY KEY, name TEXT NOT NULL DEFAULT '');
CREATE TABLE users (id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE);
CREATE TABLE files (
    id INTEGER PRIMARY KEY,
    area INTEGER NOT NULL,
    name TEXT NOT NULL,
    description TEXT NOT NULL DEFAULT '',
    password TEXT NOT NULL DEFAULT '',
    size INTEGER NOT NULL DEFAULT 0,
    uploaded INTEGER NOT NULL DEFAULT 0,
    last_download INTEGER NOT NULL DEFAULT 0,
    free INTEGER NOT NULL DEFAULT 0,
    failed_scan INTEGER NOT NULL DEFAULT 0,
    downloads INTEGER NOT NULL DEFAULT 0,
    uploader_id INTEGER NOT NULL DEFAULT 0,
    uploader TEXT NOT NULL DEFAULT '',
    has_long_desc INTEGER NOT NULL DEFAULT 0,
    long_name TEXT NOT NULL DEFAULT '',
    long_desc TEXT NOT NULL DEFAULT '');
CREATE UNIQUE INDEX files_key1 ON files (area, name);
CREATE TABLE messages (
    id INTEGER PRIMARY KEY,
    conference INTEGER NOT NULL,
    sender TEXT NOT NULL DEFAULT '',
    recipient TEXT NOT NULL DEFAULT '',
    subject TEXT NOT NULL DEFAULT '',
    body BLOB NOT NULL);
INSERT INTO settings (id) VALUES (1);
)sql";

// Long-description lines are kept in one column, joined with this separator.
inline constexpr char kLineSeparator = '\n';

}  // namespace BoardSchema
