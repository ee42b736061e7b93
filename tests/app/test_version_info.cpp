#include "pipe_swap.h"
#include "app/version_info.h"

#include <QTemporaryDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

QString writeFile(const QTemporaryDir& dir, const QByteArray& content)
{
    const QString path = dir.filePath(QStringLiteral("program"));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(content);
    return path;
}

QByteArray withBlock(const QByteArray& lines)
{
    return QByteArray("\x7f" "ELF some code before") + VersionBlockMarker() + lines + QByteArray(1, '\0')
        + QByteArray("and after");
}

} // namespace

TEST(VersionInfo, ValuesAreFoundWithoutRegardToCase)
{
    QTemporaryDir dir;
    const QString file = writeFile(dir, withBlock("StringFileInfo\\040904e4\\CompanyName=Quillfen\n"
                                                  "StringFileInfo\\040904e4\\LegalCopyright=(c) us\n"));
    ASSERT_GT(GetFileVersionInfoSize(file), 0);
    const QByteArray block = GetFileVersionInfo(file);
    QString v;
    ASSERT_TRUE(VerQueryValue(block, QStringLiteral("\\StringFileInfo\\040904e4\\CompanyName"), v));
    EXPECT_EQ(v, QStringLiteral("Quillfen"));
    ASSERT_TRUE(VerQueryValue(block, QStringLiteral("\\stringfileinfo\\040904E4\\LegalCopyRight"), v));
    EXPECT_EQ(v, QStringLiteral("(c) us"));
    EXPECT_FALSE(VerQueryValue(block, QStringLiteral("\\StringFileInfo\\040904e4\\FileVersion"), v));
}

TEST(VersionInfo, OtherLanguageOrCodePageIsNotFound)
{
    QTemporaryDir dir;
    const QString file = writeFile(dir, withBlock("StringFileInfo\\040704b0\\CompanyName=Quillfen\n"));
    QString v;
    EXPECT_FALSE(VerQueryValue(GetFileVersionInfo(file), QStringLiteral("\\StringFileInfo\\040904e4\\CompanyName"), v));
}

TEST(VersionInfo, FileWithoutBlockOrMissingFileHasSizeZero)
{
    QTemporaryDir dir;
    EXPECT_EQ(GetFileVersionInfoSize(writeFile(dir, "no block here")), 0);
    EXPECT_EQ(GetFileVersionInfoSize(dir.filePath(QStringLiteral("missing"))), 0);
}

TEST(VersionInfo, ProgramFileSwappedForAPipeHasABlockOrNone)
{
    QTemporaryDir dir;
    const QString real = writeFile(dir, withBlock("StringFileInfo\\040904e4\\CompanyName=Quillfen\n"));
    const QString file = dir.filePath(QStringLiteral("bimbalo"));
    pipeswap::PipeSwapper swapper(QFile::encodeName(file).toStdString(), QFile::encodeName(real).toStdString());
    ASSERT_TRUE(swapper.ok());
    const pipeswap::Outcome outcome = pipeswap::LoadWhileSwapping(swapper, 2000, [&]() -> std::string {
        return GetFileVersionInfoSize(file) > 0 ? "" : "refused";
    });
    EXPECT_TRUE(outcome.finished) << "the version block's reader waited on the pipe";
    EXPECT_GT(outcome.loaded, 0);
    EXPECT_GT(outcome.refused, 0);
}
