#include "files/Folders.h"

#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace folders = tarvik::folders;

namespace {

// Points HOME and XDG_CONFIG_HOME into a temporary folder for one test.
class FoldersTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_home = qgetenv("HOME");
        m_config = qgetenv("XDG_CONFIG_HOME");
        m_hadConfig = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
        qputenv("HOME", QFile::encodeName(m_dir.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.file("config")));
    }
    void TearDown() override {
        qputenv("HOME", m_home);
        if (m_hadConfig)
            qputenv("XDG_CONFIG_HOME", m_config);
        else
            qunsetenv("XDG_CONFIG_HOME");
    }

    tarvik::test::TempDir m_dir;

private:
    QByteArray m_home;
    QByteArray m_config;
    bool m_hadConfig = false;
};

} // namespace

TEST_F(FoldersTest, DataFolderIsInTheUsersConfigFolder) {
    EXPECT_EQ(folders::dataFolder(), m_dir.file("config/Kandor/Tarvik"));
    EXPECT_EQ(folders::configurationFilePath(), m_dir.file("config/Kandor/Tarvik/Tarvik.ini"));
    QString error;
    EXPECT_TRUE(folders::ensureDataFolder(&error)) << error.toStdString();
    EXPECT_TRUE(QFileInfo(folders::dataFolder()).isDir());
    EXPECT_TRUE(folders::ensureDataFolder(&error)) << "an existing folder is fine";
}

TEST_F(FoldersTest, DataFolderBlockedByAFileIsReported) {
    ASSERT_TRUE(QDir().mkpath(m_dir.file("config/Kandor")));
    QFile blocker(m_dir.file("config/Kandor/Tarvik"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QString error;
    EXPECT_FALSE(folders::ensureDataFolder(&error));
    EXPECT_TRUE(error.contains(folders::dataFolder())) << error.toStdString();
}

TEST_F(FoldersTest, DocumentsFolderIsMyTarvikOnceItExists) {
    EXPECT_EQ(folders::documentsFolder(), m_dir.file("Documents"));
    EXPECT_TRUE(folders::ensureMyTarvikFolder());
    EXPECT_EQ(folders::documentsFolder(), m_dir.file("Documents/My Tarvik"));
    EXPECT_TRUE(QFileInfo(folders::documentsFolder()).isDir());
}
