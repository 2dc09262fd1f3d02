#pragma once
// A fresh registry file for each test.

#include "utility/internal/RegistryStore.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_previous = qgetenv("PEMBRY31_REGISTRY");
        qputenv("PEMBRY31_REGISTRY", storePath().toUtf8());
    }
    void TearDown() override
    {
        qputenv("PEMBRY31_REGISTRY", m_previous);
        pembry::registry::setBusyTimeout(10000);
    }
    QString storePath() const { return m_dir.filePath(QStringLiteral("registry.sqlite3")); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    QByteArray m_previous;
};
