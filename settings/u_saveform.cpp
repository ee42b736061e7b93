#include "settings/u_saveform.h"

#include "settings/controls.h"
#include "settings/ini_file.h"
#include "settings/text_forms.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTextBlock>
#include <QWidget>
#include <array>

namespace {

// Never a line anyone types: marks the first missing line of a multi-line text.
const QString kNoLine = QStringLiteral("-never-a-string-like-this-");

struct Entry {
    IniFile& ini;
    const QString& section;
    const QString key;
};

// One stored kind: which objects belong to it, and how an object of the kind
// is written and read. The same table serves both directions.
struct StoredKind {
    bool (*belongs)(const QObject*);
    void (*write)(QObject*, Entry&);
    void (*read)(QObject*, Entry&);
};

bool IsLabeledEditPart(const QObject* o)
{
    return qobject_cast<const TLabeledEdit*>(o->parent()) != nullptr;
}

bool IsRadioGroupItem(const QObject* o)
{
    const auto* group = qobject_cast<const TRadioGroup*>(o->parent());
    return group && group->isItemButton(o);
}

QStringList MemoLines(const QPlainTextEdit* memo)
{
    QStringList lines;
    if (memo->document()->isEmpty())
        return lines;
    for (QTextBlock b = memo->document()->begin(); b.isValid(); b = b.next())
        lines.append(b.text());
    return lines;
}

// The reader trims values; a text with a blank or control character at an
// end is written in double quotes, which the reader takes off again. A text
// already wrapped in double quotes gets a pair of its own, so that it reads
// back as it was. Files written before hold no such values: unquoted values
// read as they always did.
bool IsTrimmed(QChar c) { return c.unicode() <= 32; }

bool IsQuoted(const QString& text)
{
    return text.size() >= 2 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"'));
}

QString StoredText(const QString& text)
{
    if (!text.isEmpty() && (IsTrimmed(text.front()) || IsTrimmed(text.back()) || IsQuoted(text)))
        return QLatin1Char('"') + text + QLatin1Char('"');
    return text;
}

QString TextOfStored(const QString& value)
{
    return IsQuoted(value) ? value.mid(1, value.size() - 2) : value;
}

QString MemoKey(const QString& name, int line)
{
    return name + QStringLiteral("_line+") + QString::number(line);
}

const std::array<StoredKind, 9> kStoredKinds{{
    // single-line edit
    {[](const QObject* o) { return qobject_cast<const QLineEdit*>(o) && !IsLabeledEditPart(o); },
     [](QObject* o, Entry& e) { e.ini.writeString(e.section, e.key, StoredText(static_cast<QLineEdit*>(o)->text())); },
     [](QObject* o, Entry& e) {
         auto* edit = static_cast<QLineEdit*>(o);
         if (e.ini.valueExists(e.section, e.key))
             edit->setText(TextOfStored(e.ini.readString(e.section, e.key, QString())));
     }},
    // edit with a label
    {[](const QObject* o) { return qobject_cast<const TLabeledEdit*>(o) != nullptr; },
     [](QObject* o, Entry& e) { e.ini.writeString(e.section, e.key, StoredText(static_cast<TLabeledEdit*>(o)->text())); },
     [](QObject* o, Entry& e) {
         auto* edit = static_cast<TLabeledEdit*>(o);
         if (e.ini.valueExists(e.section, e.key))
             edit->setText(TextOfStored(e.ini.readString(e.section, e.key, QString())));
     }},
    // page control
    {[](const QObject* o) { return qobject_cast<const TPageControl*>(o) != nullptr; },
     [](QObject* o, Entry& e) { e.ini.writeInteger(e.section, e.key, static_cast<TPageControl*>(o)->activePageIndex()); },
     [](QObject* o, Entry& e) {
         auto* pages = static_cast<TPageControl*>(o);
         pages->setActivePageIndex(e.ini.readInteger(e.section, e.key, pages->activePageIndex()));
     }},
    // check box
    {[](const QObject* o) { return qobject_cast<const QCheckBox*>(o) != nullptr; },
     [](QObject* o, Entry& e) { e.ini.writeBool(e.section, e.key, static_cast<QCheckBox*>(o)->isChecked()); },
     [](QObject* o, Entry& e) {
         auto* box = static_cast<QCheckBox*>(o);
         box->setChecked(e.ini.readBool(e.section, e.key, box->isChecked()));
     }},
    // radio button standing by itself
    {[](const QObject* o) { return qobject_cast<const QRadioButton*>(o) && !IsRadioGroupItem(o); },
     [](QObject* o, Entry& e) { e.ini.writeBool(e.section, e.key, static_cast<QRadioButton*>(o)->isChecked()); },
     [](QObject* o, Entry& e) {
         auto* button = static_cast<QRadioButton*>(o);
         button->setChecked(e.ini.readBool(e.section, e.key, button->isChecked()));
     }},
    // radio group
    {[](const QObject* o) { return qobject_cast<const TRadioGroup*>(o) != nullptr; },
     [](QObject* o, Entry& e) { e.ini.writeInteger(e.section, e.key, static_cast<TRadioGroup*>(o)->itemIndex()); },
     [](QObject* o, Entry& e) {
         auto* group = static_cast<TRadioGroup*>(o);
         group->setItemIndex(e.ini.readInteger(e.section, e.key, group->itemIndex()));
     }},
    // multi-line text: lines are added after those it already holds
    {[](const QObject* o) { return qobject_cast<const QPlainTextEdit*>(o) != nullptr; },
     [](QObject* o, Entry& e) {
         const QStringList lines = MemoLines(static_cast<QPlainTextEdit*>(o));
         for (int i = 0; i < lines.size(); ++i)
             e.ini.writeString(e.section, MemoKey(e.key, i), StoredText(lines[i]));
     },
     [](QObject* o, Entry& e) {
         auto* memo = static_cast<QPlainTextEdit*>(o);
         for (int i = 0;; ++i) {
             const QString line = e.ini.readString(e.section, MemoKey(e.key, i), kNoLine);
             if (line == kNoLine)
                 break;
             memo->appendPlainText(TextOfStored(line));
         }
     }},
    // font dialog
    {[](const QObject* o) { return qobject_cast<const TFontDialogHolder*>(o) != nullptr; },
     [](QObject* o, Entry& e) {
         auto* dialog = static_cast<TFontDialogHolder*>(o);
         e.ini.writeString(e.section, e.key, FontToString(&dialog->font(), dialog->dpi()));
     },
     [](QObject* o, Entry& e) {
         auto* dialog = static_cast<TFontDialogHolder*>(o);
         const QString text = e.ini.readString(e.section, e.key, FontToString(&dialog->font(), dialog->dpi()));
         StringToFont(text, &dialog->font(), dialog->dpi());
     }},
    // colour dialog: a missing entry means black, whatever the colour was
    {[](const QObject* o) { return qobject_cast<const TColorDialogHolder*>(o) != nullptr; },
     [](QObject* o, Entry& e) { e.ini.writeString(e.section, e.key, ColorToString(static_cast<TColorDialogHolder*>(o)->color())); },
     [](QObject* o, Entry& e) {
         auto* dialog = static_cast<TColorDialogHolder*>(o);
         dialog->setColor(StringToColor(e.ini.readString(e.section, e.key, QStringLiteral("clblack"))));
     }},
}};

enum class Direction { Read, Write };

bool IsStorable(const QObject* o)
{
    const QString name = o->objectName();
    return !name.isEmpty() && !name.startsWith(QLatin1String("qt_"));
}

void Walk(QObject* object, Direction direction, IniFile& ini, const QString& section)
{
    if (IsStorable(object)) {
        Entry entry{ini, section, object->objectName()};
        for (const StoredKind& kind : kStoredKinds) {
            if (!kind.belongs(object))
                continue;
            if (direction == Direction::Write)
                kind.write(object, entry);
            else
                kind.read(object, entry);
        }
    }
    // Handlers fired by a load may create or delete objects; walk what was there.
    QList<QPointer<QObject>> children;
    if (auto* stack = qobject_cast<QStackedWidget*>(object)) {
        // A stack lower()s each page it takes in, which turns its child list
        // around; its own page order is the order the pages were added in.
        for (int i = 0; i < stack->count(); ++i)
            children.append(stack->widget(i));
    }
    for (QObject* child : object->children())
        if (!children.contains(child))
            children.append(child);
    for (const QPointer<QObject>& child : children)
        if (child)
            Walk(child, direction, ini, section);
}

} // namespace

bool LoadFormFromIni(QWidget* form, const QString& section, const QString& iniPath)
{
    if (!IniFileExists(iniPath))
        return false;
    IniFile ini(iniPath);
    if (form)
        Walk(form, Direction::Read, ini, section);
    return true;
}

bool LoadFormFromIni(QWidget* form, const QString& section)
{
    return LoadFormFromIni(form, section, IniFileName());
}

void SaveFormToIni(QWidget* form, const QString& section, const QString& iniPath)
{
    IniFile ini(iniPath);
    ini.clear();
    if (form)
        Walk(form, Direction::Write, ini, section);
    ini.updateFile();
}

void SaveFormToIni(QWidget* form, const QString& section)
{
    SaveFormToIni(form, section, IniFileName());
}
