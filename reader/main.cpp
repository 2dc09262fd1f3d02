// tabulo-schema-reader: the child process the Jet file engine runs to read
// a file with libmdb (reader/ReaderMain.h).
#include "reader/ReaderMain.h"

int main(int argc, char **argv)
{
    return reader::runReader(argc, argv);
}
