#pragma once
// The schema reader's command: prints the design of a Jet database file as
// schema JSON (docs/schema-json.md), without the further design properties
// with --no-design-properties, or with --workgroup the users of a workgroup
// file. With --password-stdin it reads an encrypted ACE file's password
// from standard input (at most 1 KiB, to its end). Exit status 0 with the
// document on standard output; 2 with an error object ({"error": {"number",
// "description"}}); 64 for a wrong command line.
//
// tabulo-schema-reader is this command alone; tabulo-cli runs it in a
// forked copy of itself, which skips loading a second program.

namespace reader {

// Runs the command on `argv`. Once a document or an error object is
// printed the process ends with its status, without exit handlers; only a
// wrong command line returns (64).
int runReader(int argc, char **argv);

}  // namespace reader
