#include "app/store/ExIniFile.h"

#include "engine/Error.h"
#include "engine/NumberText.h"
#include "engine/SystemReason.h"
#include "intake/FileWriting.h"
#include "intake/TextRules.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <limits>
#include <stdexcept>
#include <unistd.h>

namespace tf {

namespace {

std::optional<TBaseFolders> &FoldersOverride()
{
    static std::optional<TBaseFolders> folders;
    return folders;
}

QString WithSeparator(const QString &folder)
{
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

bool HasFolderPart(const QString &name)
{
    return name.contains(u'/');
}

bool FolderWritable(const QString &folder)
{
    return !folder.isEmpty() && ::access(QFile::encodeName(folder).constData(), W_OK) == 0;
}

QString Wrap(const QString &value, TFence mode)
{
    switch (mode) {
    case fcDoubleQuote:
        return u'"' + value + u'"';
    case fcSingleQuote:
        return u'\'' + value + u'\'';
    case fcNone:
        break;
    }
    return value;
}

QString HexText(quint32 value)
{
    return QStringLiteral("0x") + QString::number(value, 16).toUpper().rightJustified(8, u'0');
}

// Text a stored float reads from and is written as, with the regional decimal separator.
QString FloatText(double value)
{
    QString text = QString::number(value, 'g', 15);
    return text.replace(u'.', QChar(NumberFormat::system().decimal));
}

const QString DateFormat = QStringLiteral("yyyy-MM-dd");
const QString TimeFormat = QStringLiteral("HH:mm:ss");
const QString DateTimeFormat = DateFormat + u' ' + TimeFormat;

} // namespace

TBaseFolders SystemBaseFolders()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    const QString application = QCoreApplication::applicationDirPath();
    // An installed program has its menu entry in the data folder beside its own folder.
    const bool installed = QFileInfo::exists(application + QStringLiteral("/" TF_INSTALLED_MARK));
    return TBaseFolders{QStringLiteral("/etc"), application, config,
                        QFileInfo(QCoreApplication::applicationFilePath()).fileName(), installed};
}

void SetBaseFoldersOverride(std::optional<TBaseFolders> folders)
{
    FoldersOverride() = std::move(folders);
}

TBaseFolders CurrentBaseFolders()
{
    return FoldersOverride() ? *FoldersOverride() : SystemBaseFolders();
}

TIniLocation ApplicationIniLocation(const TBaseFolders &folders, const QString &name)
{
    const QString beside = WithSeparator(folders.application) + name;
    // An installed program keeps its settings in the user's folder, also when run by one who could write
    // into its system folder (root); a build folder or a portable copy keeps them beside itself.
    if (name.isEmpty() || (!folders.installed && FolderWritable(folders.application)))
        return TIniLocation{beside, QString()};
    const QString user = WithSeparator(folders.appData) + QFileInfo(folders.executableName).completeBaseName()
                         + u'/' + name;
    return TIniLocation{user, QFileInfo(beside).isFile() ? beside : QString(), true};
}

TMemIniFile::TMemIniFile(const TIniLocation &location, bool caseSensitive)
    : m_path(location.path), m_createFolder(location.createFolder)
{
    m_doc.SetCaseSensitive(caseSensitive);
    auto read = [caseSensitive](const QString &path) -> std::optional<TIniDocument> {
        const QFileInfo info(path);
        if (path.isEmpty() || !info.exists() || info.isDir())
            return std::nullopt;
        // The document tells its names and values by 32-bit places; no settings file comes near that.
        if (info.size() > std::numeric_limits<qint32>::max())
            throw CannotOpenError(path, EFBIG);
        try {
            return TIniDocument::Parse(ReadFileBytes(path), caseSensitive);
        } catch (const std::length_error &) { // a legacy text that grew beyond them when decoded
            throw CannotOpenError(path, EFBIG);
        }
    };
    std::optional<TIniDocument> shipped = read(location.defaultPath);
    std::optional<TIniDocument> own = read(location.path);
    if (shipped && own) {
        for (const QString &section : own->ReadSections()) {
            for (const QString &key : own->ReadSection(section))
                shipped->WriteString(section, key, own->ReadString(section, key, QString()));
        }
        shipped->SetEncoding(own->Encoding());
        shipped->SetModified(false);
    }
    if (shipped)
        m_doc = std::move(*shipped);
    else if (own)
        m_doc = std::move(*own);
}

void TMemIniFile::UpdateFile()
{
    const QByteArray bytes = m_doc.Serialize();
    // The user's settings folder may be missing on a first start; when it cannot be made, that is the
    // cause the user is told, not the file's absence that follows from it.
    if (m_createFolder && !m_path.isEmpty()) {
        if (const int err = MakeFolders(QFileInfo(m_path).absolutePath()))
            throw Error(CannotCreateFileMessage(m_path, SystemReason(err)));
    }
    if (m_path.isEmpty() || QFileInfo(m_path).isDir())
        throw Error(CannotCreateFileMessage(m_path, SystemReason(EISDIR)));
    // Written beside the old file and renamed over it: a crash, a kill or a full disk leaves the old
    // file whole instead of a cut one.
    ReplaceFileWhole(m_path, bytes);
    m_doc.SetModified(false);
}

TExIniFile::TExIniFile(QObject *owner) : QObject(owner)
{
    SetBaseDir(bdApplication);
    FFence = fcNone;
    SetCaseSensitive(false);
    FAutoUpdate = true;
}

TExIniFile::~TExIniFile() = default;

void TExIniFile::SetBaseDir(TBaseDir value)
{
    FBaseDir = value;
    SetFileName(FFileName);
}

void TExIniFile::SetFileName(const QString &value)
{
    FFileName = value;
    FIniFile.reset();
    Resolve();
}

void TExIniFile::Resolve()
{
    const TBaseFolders folders = CurrentBaseFolders();
    TIniLocation location{FFileName, QString()};
    if (!HasFolderPart(FFileName)) {
        switch (FBaseDir) {
        case bdWindows:
            location.path = WithSeparator(folders.windows) + FFileName;
            break;
        case bdApplication:
            location = ApplicationIniLocation(folders, FFileName);
            break;
        case bdAppData:
            location.path = WithSeparator(folders.appData) + FFileName;
            break;
        case bdNone:
            break;
        }
    }
    try {
        FIniFile = std::make_unique<TMemIniFile>(location, FCaseSensitive);
    } catch (const Error &) {
        // The store goes on with nothing read, so that reads give their defaults; the caller reports.
        FIniFile = std::make_unique<TMemIniFile>(TIniLocation{location.path, QString()}, FCaseSensitive);
        FIniFile->Document().Clear();
        FIniFile->Document().SetModified(false);
        throw;
    }
}

bool TExIniFile::CaseSensitive() const
{
    return FCaseSensitive;
}

void TExIniFile::SetCaseSensitive(bool value)
{
    FCaseSensitive = value;
    Ini().Document().SetCaseSensitive(value);
}

void TExIniFile::Loaded()
{
    if (FFileName.isEmpty())
        SetFileName(QFileInfo(CurrentBaseFolders().executableName).completeBaseName() + QStringLiteral(".ini"));
}

QString TExIniFile::Path() const
{
    return FIniFile ? FIniFile->FileName() : QString();
}

TMemIniFile &TExIniFile::Ini()
{
    if (!FIniFile)
        FIniFile = std::make_unique<TMemIniFile>(TIniLocation{}, FCaseSensitive);
    return *FIniFile;
}

QString TExIniFile::ReadFenced(const QString &Section, const QString &Ident, TFence Mode, const QString &Default)
{
    QString result = Ini().Document().ReadString(Section, Ident, Wrap(Default, Mode));
    if (result.size() >= 2) {
        const QChar first = result.front(), last = result.back();
        if ((first == u'"' && last == u'"' && FFence == fcDoubleQuote)
            || (first == u'\'' && last == u'\'' && FFence == fcSingleQuote))
            result = result.sliced(1, result.size() - 2);
    }
    return result;
}

void TExIniFile::WriteFenced(const QString &Section, const QString &Ident, TFence Mode, const QString &Value)
{
    Ini().Document().WriteString(Section, Ident, Wrap(Value, Mode));
    DoAutoUpdate();
}

void TExIniFile::DoAutoUpdate()
{
    if (!FAutoUpdate)
        return;
    if (FHeldUpdates > 0)
        FUpdatePending = true;
    else
        UpdateFile();
}

void TExIniFile::BeginUpdate()
{
    ++FHeldUpdates;
}

void TExIniFile::EndUpdate()
{
    if (FHeldUpdates == 0 || --FHeldUpdates > 0 || !FUpdatePending)
        return;
    FUpdatePending = false;
    UpdateFile();
}

void TExIniFile::UpdateFile()
{
    Ini().UpdateFile();
}

QString TExIniFile::ReadString(const QString &Section, const QString &Ident, const QString &Default)
{
    return ReadFenced(Section, Ident, FFence, Default);
}

void TExIniFile::WriteString(const QString &Section, const QString &Ident, const QString &Value)
{
    WriteFenced(Section, Ident, FFence, Value);
}

int TExIniFile::ReadInteger(const QString &Section, const QString &Ident, int Default)
{
    return Ini().Document().ReadInteger(Section, Ident, Default);
}

void TExIniFile::WriteInteger(const QString &Section, const QString &Ident, int Value)
{
    Ini().Document().WriteInteger(Section, Ident, Value);
    DoAutoUpdate();
}

QString TExIniFile::ReadStr(const QString &Section, const QString &Ident, const QString &Default)
{
    return ReadString(Section, Ident, Default);
}

void TExIniFile::WriteStr(const QString &Section, const QString &Ident, const QString &Value)
{
    WriteString(Section, Ident, Value);
}

int TExIniFile::ReadInt(const QString &Section, const QString &Ident, int Default)
{
    return ReadInteger(Section, Ident, Default);
}

void TExIniFile::WriteInt(const QString &Section, const QString &Ident, int Value)
{
    WriteInteger(Section, Ident, Value);
}

bool TExIniFile::ReadBool(const QString &Section, const QString &Ident, bool Default)
{
    return Ini().Document().ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TExIniFile::WriteBool(const QString &Section, const QString &Ident, bool Value)
{
    Ini().Document().WriteString(Section, Ident, Value ? QStringLiteral("1") : QStringLiteral("0"));
    DoAutoUpdate();
}

double TExIniFile::ReadFloat(const QString &Section, const QString &Ident, double Default)
{
    const QString text = Ini().Document().ReadString(Section, Ident, QString());
    return ReadNumber(text, NumberFormat::system()).value_or(Default);
}

void TExIniFile::WriteFloat(const QString &Section, const QString &Ident, double Value)
{
    Ini().Document().WriteString(Section, Ident, FloatText(Value));
    DoAutoUpdate();
}

QDate TExIniFile::ReadDate(const QString &Section, const QString &Ident, const QDate &Default)
{
    const QDate d = QDate::fromString(Ini().Document().ReadString(Section, Ident, QString()), DateFormat);
    return d.isValid() ? d : Default;
}

void TExIniFile::WriteDate(const QString &Section, const QString &Ident, const QDate &Value)
{
    Ini().Document().WriteString(Section, Ident, Value.toString(DateFormat));
    DoAutoUpdate();
}

QDateTime TExIniFile::ReadDateTime(const QString &Section, const QString &Ident, const QDateTime &Default)
{
    const QDateTime d = QDateTime::fromString(Ini().Document().ReadString(Section, Ident, QString()), DateTimeFormat);
    return d.isValid() ? d : Default;
}

void TExIniFile::WriteDateTime(const QString &Section, const QString &Ident, const QDateTime &Value)
{
    Ini().Document().WriteString(Section, Ident, Value.toString(DateTimeFormat));
    DoAutoUpdate();
}

QTime TExIniFile::ReadTime(const QString &Section, const QString &Ident, const QTime &Default)
{
    const QTime t = QTime::fromString(Ini().Document().ReadString(Section, Ident, QString()), TimeFormat);
    return t.isValid() ? t : Default;
}

void TExIniFile::WriteTime(const QString &Section, const QString &Ident, const QTime &Value)
{
    Ini().Document().WriteString(Section, Ident, Value.toString(TimeFormat));
    DoAutoUpdate();
}

QByteArray TExIniFile::ReadBinaryStream(const QString &Section, const QString &Ident)
{
    const QString text = Ini().Document().ReadString(Section, Ident, QString());
    const QByteArray hex = text.toLatin1();
    const auto decoded = QByteArray::fromHex(hex);
    // fromHex skips what is not a digit; a text that is not whole pairs of digits gives nothing.
    return decoded.toHex().compare(hex, Qt::CaseInsensitive) == 0 ? decoded : QByteArray();
}

void TExIniFile::WriteBinaryStream(const QString &Section, const QString &Ident, const QByteArray &Value)
{
    Ini().Document().WriteString(Section, Ident, QString::fromLatin1(Value.toHex().toUpper()));
    DoAutoUpdate();
}

quint32 TExIniFile::ReadHex(const QString &Section, const QString &Item, quint32 Default)
{
    const QString text = ReadFenced(Section, Item, fcNone, HexText(Default));
    const QString digits = text.mid(2, 8);
    const std::optional<int> value = IniHexToInt(digits);
    if (!value)
        throw Error(QStringLiteral("'$%1' は有効な整数値ではありません").arg(digits));
    return quint32(*value);
}

void TExIniFile::WriteHex(const QString &Section, const QString &Item, quint32 Value)
{
    WriteFenced(Section, Item, fcNone, HexText(Value));
}

quint32 TExIniFile::ReadColor(const QString &Section, const QString &Item, quint32 Default)
{
    return ReadHex(Section, Item, Default);
}

void TExIniFile::WriteColor(const QString &Section, const QString &Item, quint32 Value)
{
    WriteHex(Section, Item, Value);
}

void TExIniFile::ReadList(const QString &Section, const QString &Item, QStringList &List)
{
    const int count = ReadInteger(Section, Item + QStringLiteral(".Count"), int(List.size()));
    QStringList lines;
    for (int i = 0; i < count; ++i) {
        const QString current = i < List.size() ? List[i] : QString();
        lines += ReadFenced(Section, Item + u'.' + QString::number(i), fcNone, current);
    }
    List = lines;
}

void TExIniFile::WriteList(const QString &Section, const QString &Item, const QStringList &Value)
{
    WriteInteger(Section, Item + QStringLiteral(".Count"), int(Value.size()));
    for (int i = 0; i < Value.size(); ++i)
        WriteFenced(Section, Item + u'.' + QString::number(i), fcNone, Value[i]);
}

void TExIniFile::ReadFont(const QString &Section, const QString &Item, TFontRecord &Font)
{
    TFontRecord read;
    read.Name = ReadFenced(Section, Item + QStringLiteral(".Name"), fcNone, Font.Name);
    read.Size = ReadInteger(Section, Item + QStringLiteral(".Size"), Font.Size);
    read.Style = ReadInteger(Section, Item + QStringLiteral(".Style"), Font.Style);
    read.Color = ReadColor(Section, Item + QStringLiteral(".Color"), Font.Color);
    Font = read;
}

void TExIniFile::WriteFont(const QString &Section, const QString &Item, const TFontRecord &Value)
{
    WriteFenced(Section, Item + QStringLiteral(".Name"), fcNone, Value.Name);
    WriteInteger(Section, Item + QStringLiteral(".Size"), Value.Size);
    WriteInteger(Section, Item + QStringLiteral(".Style"), Value.Style);
    WriteColor(Section, Item + QStringLiteral(".Color"), Value.Color);
}

void TExIniFile::ReadFormPos(const QString &Section, const QString &Item, TFormBounds &Form)
{
    QRect r = Form.Bounds();
    r.moveLeft(ReadInteger(Section, Item + QStringLiteral(".X"), r.left()));
    Form.SetBounds(r);
    r = Form.Bounds();
    r.moveTop(ReadInteger(Section, Item + QStringLiteral(".Y"), r.top()));
    Form.SetBounds(r);
}

void TExIniFile::WriteFormPos(const QString &Section, const QString &Item, const TFormBounds &Value)
{
    const QRect r = Value.Bounds();
    WriteInteger(Section, Item + QStringLiteral(".X"), r.left());
    WriteInteger(Section, Item + QStringLiteral(".Y"), r.top());
}

void TExIniFile::ReadFormSize(const QString &Section, const QString &Item, TFormBounds &Form)
{
    QRect r = Form.Bounds();
    r.setWidth(ReadInteger(Section, Item + QStringLiteral(".XSize"), r.width()));
    Form.SetBounds(r);
    r = Form.Bounds();
    r.setHeight(ReadInteger(Section, Item + QStringLiteral(".YSize"), r.height()));
    Form.SetBounds(r);
}

void TExIniFile::WriteFormSize(const QString &Section, const QString &Item, const TFormBounds &Value)
{
    const QRect r = Value.Bounds();
    WriteInteger(Section, Item + QStringLiteral(".XSize"), r.width());
    WriteInteger(Section, Item + QStringLiteral(".YSize"), r.height());
}

void TExIniFile::ReadForm(const QString &Section, const QString &Item, TFormBounds &Form)
{
    const TWindowPlacement now = Form.Placement();
    const QRect n = now.NormalPosition;
    TWindowPlacement p;
    p.Flags = ReadInteger(Section, Item + QStringLiteral(".Flags"), now.Flags);
    p.ShowCmd = ReadInteger(Section, Item + QStringLiteral(".Show"), now.ShowCmd);
    p.MaxPosition = QPoint(ReadInteger(Section, Item + QStringLiteral(".MaxX"), now.MaxPosition.x()),
                           ReadInteger(Section, Item + QStringLiteral(".MaxY"), now.MaxPosition.y()));
    const int left = ReadInteger(Section, Item + QStringLiteral(".X"), n.left());
    const int top = ReadInteger(Section, Item + QStringLiteral(".Y"), n.top());
    const int right = ReadInteger(Section, Item + QStringLiteral(".XSize"), n.left() + n.width());
    const int bottom = ReadInteger(Section, Item + QStringLiteral(".YSize"), n.top() + n.height());
    p.NormalPosition = QRect(left, top, right - left, bottom - top);
    Form.SetPlacement(p);
}

void TExIniFile::WriteForm(const QString &Section, const QString &Item, const TFormBounds &Form)
{
    const TWindowPlacement p = Form.Placement();
    const QRect n = p.NormalPosition;
    WriteInteger(Section, Item + QStringLiteral(".Flags"), p.Flags);
    WriteInteger(Section, Item + QStringLiteral(".Show"), p.ShowCmd);
    WriteInteger(Section, Item + QStringLiteral(".MaxX"), p.MaxPosition.x());
    WriteInteger(Section, Item + QStringLiteral(".MaxY"), p.MaxPosition.y());
    // The restored rectangle is stored by its edges: right and bottom lie just past the window.
    WriteInteger(Section, Item + QStringLiteral(".X"), n.left());
    WriteInteger(Section, Item + QStringLiteral(".Y"), n.top());
    WriteInteger(Section, Item + QStringLiteral(".XSize"), n.left() + n.width());
    WriteInteger(Section, Item + QStringLiteral(".YSize"), n.top() + n.height());
}

bool TExIniFile::SectionExists(const QString &Section)
{
    return Ini().Document().SectionExists(Section);
}

bool TExIniFile::ValueExists(const QString &Section, const QString &Ident)
{
    return Ini().Document().ValueExists(Section, Ident);
}

QStringList TExIniFile::ReadSection(const QString &Section)
{
    return Ini().Document().ReadSection(Section);
}

QStringList TExIniFile::ReadSections()
{
    return Ini().Document().ReadSections();
}

QStringList TExIniFile::ReadSectionValues(const QString &Section)
{
    return Ini().Document().ReadSectionValues(Section);
}

void TExIniFile::EraseSection(const QString &Section)
{
    Ini().Document().EraseSection(Section);
    DoAutoUpdate();
}

void TExIniFile::DeleteKey(const QString &Section, const QString &Ident)
{
    Ini().Document().DeleteKey(Section, Ident);
    DoAutoUpdate();
}

} // namespace tf
