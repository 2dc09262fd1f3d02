#pragma once
// Finds the SOURCE argument of a tabulo-cli command line without the
// program's option parser, so that a starter linking only the C library can
// begin reading that database while the program itself is still loading.
// It reads the command line the way the parser does; where that cannot be
// told cheaply it answers nothing, which only means that no early start is
// made: the program always reads its command line itself.

namespace tabulo::cli {

// The argument the parser will take as SOURCE: the first one that is neither
// an option nor an option's value, or the one after "--". Null when there is
// none or it is empty, and when --help, -h or --version makes the program
// print and exit. An option that is not a known flag takes a value: the
// rest of its own argument ("--name=value", "-oVALUE") or else the next
// argument, whatever that is ("--mdw -- x.mdb" sets --mdw to "--").
// `designProperties`, when given, tells whether --design-properties is
// among the options (in any spelling, even "--design-properties=false").
const char *sourceArgument(int argc, char *const argv[], bool *designProperties = nullptr);

}  // namespace tabulo::cli
