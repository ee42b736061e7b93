#include "app/version_info.h"

#include "app/program_facts.h"
#include "system/readable_file.h"

#include <QFile>
#include <QStringList>

QByteArray VersionBlockMarker()
{
    return QByteArray(BIMBALO_VERSION_MARKER_HEAD) + QByteArray(BIMBALO_VERSION_MARKER_TAIL);
}

namespace {

constexpr std::uint64_t kMaxProgramBytes = std::uint64_t(512) << 20;

QByteArray readBlock(const QString& file)
{
    ReadableFile f = ReadableFile::Open(QFile::encodeName(file).constData(), kMaxProgramBytes);
    if (!f)
        return {};
    const std::string bytes = f.readAll();
    const QByteArray data = QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size()));
    const QByteArray marker = VersionBlockMarker();
    const qsizetype start = data.indexOf(marker);
    if (start < 0)
        return {};
    const qsizetype body = start + marker.size();
    const qsizetype end = data.indexOf('\0', body);
    if (end < 0)
        return {};
    return data.mid(body, end - body);
}

QString normalised(QString path)
{
    path.replace(QLatin1Char('/'), QLatin1Char('\\'));
    while (path.startsWith(QLatin1Char('\\')))
        path.remove(0, 1);
    return path;
}

} // namespace

qsizetype GetFileVersionInfoSize(const QString& file)
{
    return readBlock(file).size();
}

QByteArray GetFileVersionInfo(const QString& file)
{
    return readBlock(file);
}

bool VerQueryValue(const QByteArray& block, const QString& subBlock, QString& value)
{
    const QString wanted = normalised(subBlock);
    for (const QByteArray& line : block.split('\n')) {
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0)
            continue;
        const QString name = normalised(QString::fromUtf8(line.left(eq)));
        if (name.compare(wanted, Qt::CaseInsensitive) == 0) {
            value = QString::fromUtf8(line.mid(eq + 1));
            return true;
        }
    }
    return false;
}
