#pragma once
// Where tests find the real-file corpus, the fetched sample database and the
// build tree.
//
// The corpus (real Jet files written by Access and other programs) is found
// as CorpusFolder.h says. The sample database fruit.mdb is fetched into the build folder by
// `make test` (scripts/fetch-sample.sh). A test that needs one of them starts
// with TABULO_NEED_TESTDATA() or TABULO_NEED_SAMPLE(): without it the test is
// skipped with one line saying what to set, or fails when
// $TABULO_TESTDATA_REQUIRED is set (as CI does), so that nothing is skipped
// there unnoticed.

#include <QString>
#include <gtest/gtest.h>

// The corpus folder; "" when there is none.
QString testDataFolder();
// A file of the corpus (the name is kept even when the corpus is missing).
QString testDataPath(const QString &name);
// The fetched sample database fruit.mdb in the build folder.
QString samplePath();

// Why the corpus or the sample cannot be used: "" when it can.
QString testDataMissing();
QString sampleMissing();
// Whether a missing corpus or sample is a failure rather than a skip.
bool testFilesRequired();

#define TABULO_NEED_FILES_(why)                       \
    do {                                              \
        if (const QString why_ = (why); !why_.isEmpty()) { \
            if (testFilesRequired())                  \
                FAIL() << why_.toStdString();         \
            else                                      \
                GTEST_SKIP() << why_.toStdString();   \
        }                                             \
    } while (false)

#define TABULO_NEED_TESTDATA() TABULO_NEED_FILES_(testDataMissing())
#define TABULO_NEED_SAMPLE() TABULO_NEED_FILES_(sampleMissing())
