#include "ui/help_viewer.h"

#include "system/readable_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHelpEngineCore>
#include <QPointer>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QUrl>
#include <vector>

namespace {

constexpr std::uint64_t kMaxHelpBytes = std::uint64_t(256) << 20;

class HelpBrowser final : public QTextBrowser {
public:
    explicit HelpBrowser(QHelpEngineCore* engine)
        : engine_(engine)
    {
        setAttribute(Qt::WA_DeleteOnClose);
        setOpenLinks(true);
        resize(720, 560);
    }

    QVariant loadResource(int type, const QUrl& name) override
    {
        if (name.scheme() == QLatin1String("qthelp"))
            return engine_->fileData(name);
        return QTextBrowser::loadResource(type, name);
    }

private:
    QHelpEngineCore* engine_;
};

class QtHelpViewer final : public HelpViewer {
public:
    ~QtHelpViewer() override { CloseAll(); }

    void DisplayTopic(const QString& helpFile) override
    {
        if (!open(helpFile))
            return;
        show(QStringLiteral("index.html"));
    }

    void HelpContext(const QString& helpFile, int context) override
    {
        if (!open(helpFile))
            return;
        const QString topic = contextTopic(context);
        if (!topic.isEmpty())
            show(topic);
    }

    void CloseAll() override
    {
        for (auto& w : windows_)
            if (w)
                w->close();
        windows_.clear();
    }

    int openWindows() const override
    {
        int n = 0;
        for (const auto& w : windows_)
            if (w && w->isVisible())
                ++n;
        return n;
    }

private:
    bool open(const QString& helpFile)
    {
        if (engine_ && file_ == helpFile)
            return true;
        if (!QFileInfo::exists(helpFile))
            return false;
        // The engine wants a collection file; it lives in a private temporary
        // folder for the run, so nothing is written beside the program.
        if (!collectionDir_)
            collectionDir_ = std::make_unique<QTemporaryDir>();
        if (!collectionDir_->isValid())
            return false;
        // The engine's database would open whatever lies at the path and wait
        // there if it were a pipe; it gets a private copy read through a
        // descriptor known to be a regular file.
        const QString copy = collectionDir_->filePath(QStringLiteral("help.qch"));
        if (!copyHelpFile(helpFile, copy))
            return false;
        auto engine = std::make_unique<QHelpEngineCore>(collectionDir_->filePath(QStringLiteral("help.qhc")));
        engine->setReadOnly(false);
        if (!engine->setupData())
            return false;
        const QString ns = QHelpEngineCore::namespaceName(copy);
        if (ns.isEmpty())
            return false;
        if (!engine->registeredDocumentations().contains(ns) && !engine->registerDocumentation(copy))
            return false;
        engine_ = std::move(engine);
        namespace_ = ns;
        file_ = helpFile;
        return true;
    }

    static bool copyHelpFile(const QString& from, const QString& to)
    {
        ReadableFile source = ReadableFile::Open(QFile::encodeName(from).constData(), kMaxHelpBytes);
        const std::string bytes = source ? source.readAll() : std::string();
        if (!source)
            return false;
        QFile target(to);
        return target.open(QIODevice::WriteOnly | QIODevice::Truncate)
               && target.write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size());
    }

    QUrl topicUrl(const QString& page) const
    {
        return QUrl(QStringLiteral("qthelp://%1/doc/%2").arg(namespace_, page));
    }

    QString contextTopic(int context) const
    {
        const QByteArray map = engine_->fileData(topicUrl(QStringLiteral("context.map")));
        for (const QByteArray& line : map.split('\n')) {
            const int eq = line.indexOf('=');
            if (eq <= 0)
                continue;
            bool ok = false;
            const int n = line.left(eq).trimmed().toInt(&ok);
            if (ok && n == context)
                return QString::fromUtf8(line.mid(eq + 1).trimmed());
        }
        return {};
    }

    void show(const QString& page)
    {
        const QUrl url = topicUrl(page);
        if (engine_->fileData(url).isEmpty())
            return;
        QPointer<QTextBrowser> window;
        for (auto& w : windows_)
            if (w) {
                window = w;
                break;
            }
        if (!window) {
            window = new HelpBrowser(engine_.get());
            window->setWindowTitle(QCoreApplication::translate("HelpViewer", "Bimbalo Help"));
            windows_.push_back(window);
        }
        window->setSource(url);
        window->show();
        window->raise();
        window->activateWindow();
    }

    std::unique_ptr<QTemporaryDir> collectionDir_; // made on the first help request
    std::unique_ptr<QHelpEngineCore> engine_;
    QString namespace_;
    QString file_;
    std::vector<QPointer<QTextBrowser>> windows_;
};

} // namespace

std::unique_ptr<HelpViewer> CreateQtHelpViewer()
{
    return std::make_unique<QtHelpViewer>();
}
