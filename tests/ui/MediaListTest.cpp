#include "ui/CMLCEdit.h"
#include "ui/CMediaInfoCache.h"
#include "ui/CMediaListCtrl.h"
#include "ui/CMediaListWorker.h"
#include "ui/CPropertiesDlg.h"
#include "ui/CShellFolder.h"

#include "components/ComponentGroups.h"
#include "res/CStringTable.h"
#include "tests/components/Fixtures.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QHeaderView>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtEndian>

#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <unistd.h>

using namespace vidlume;

// Readable failure messages.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace {

constexpr int kWait = 120000; // ms; a bound for the worker, generous for sanitizer builds

// Every file the tests make carries this modification time, so row texts can be compared whole.
const QDateTime kFileTime(QDate(2021, 3, 4), QTime(12, 0));
const QString kDate = "04.03.2021";

void MakeFile(const QString& path, const QByteArray& content = {})
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(content);
    file.close();
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.setFileTime(kFileTime, QFileDevice::FileModificationTime);
}

void CopyFixture(const std::string& fixture, const QString& path)
{
    const QString source = QString::fromStdString(test::FixturePath(fixture));
    ASSERT_FALSE(source.isEmpty());
    QFile in(source);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    MakeFile(path, in.readAll());
}

// A file made by the ffmpeg command line with the given arguments, once per program.
QString MadeByFfmpeg(const QString& name, const QStringList& arguments)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(name);
    if (!QFile::exists(path)) {
        QProcess ffmpeg;
        ffmpeg.start("ffmpeg", QStringList { "-nostdin", "-hide_banner", "-loglevel", "error", "-y" } + arguments + QStringList { path });
        if (!ffmpeg.waitForFinished(120000) || ffmpeg.exitCode() != 0) {
            ADD_FAILURE() << "ffmpeg could not make " << name.toStdString();
            return {};
        }
    }
    return path;
}

// An MP4 whose index is complete (length, picture size) but whose media data is cut off right
// after the data box's header, so no frame can be decoded.
QByteArray IndexOnlyMp4()
{
    const QString full = MadeByFfmpeg("indexed.mp4",
        { "-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25:duration=2", "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt",
            "yuv420p", "-movflags", "+faststart" });
    QFile file(full);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.readAll();
    qsizetype offset = 0;
    while (offset + 8 <= data.size()) {
        const quint32 size = qFromBigEndian<quint32>(data.constData() + offset);
        if (data.mid(offset + 4, 4) == "mdat")
            return data.left(offset + 8);
        if (size < 8)
            break;
        offset += size;
    }
    ADD_FAILURE() << "no media data box in the faststart clip";
    return {};
}

ItemIdList PlaceOf(const QString& path)
{
    return CShellFolder::FromPath(path).GetList();
}

QString FirstLine(const QString& text)
{
    return text.section('\n', 0, 0);
}

QStringList RowNames(const CMediaListCtrl& list)
{
    QStringList names;
    for (int row = 0; row < list.GetItemCount(); ++row)
        names << FirstLine(list.GetItemText(row));
    return names;
}

QList<int> RowKinds(const CMediaListCtrl& list)
{
    QList<int> kinds;
    for (int row = 0; row < list.GetItemCount(); ++row)
        kinds << list.GetItemKind(row);
    return kinds;
}

// Answers the message boxes that open while it lives with the button, from inside their own
// event loops, and remembers what they said.
class BoxAnswerer {
public:
    explicit BoxAnswerer(QMessageBox::StandardButton button)
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this, button] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            texts << box->text();
            icons << box->icon();
            box->button(button)->click();
        });
        m_timer.start();
    }

    QStringList texts;
    QList<QMessageBox::Icon> icons;

private:
    QTimer m_timer;
};

void SelectRows(CMediaListCtrl& list, const QList<int>& rows)
{
    list.selectionModel()->clearSelection();
    for (int row : rows)
        list.selectionModel()->select(list.model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    if (!rows.isEmpty())
        list.selectionModel()->setCurrentIndex(list.model()->index(rows.front(), 0), QItemSelectionModel::NoUpdate);
}

bool WaitForWorker(CMediaListCtrl& list)
{
    return QTest::qWaitFor([&] { return !list.IsWorkerRunning(); }, kWait);
}

// A list in a shown, active window, with check boxes and the given switches.
struct ShownList {
    explicit ShownList(bool audio = true, bool folders = true)
    {
        list.SetShowAudio(audio);
        list.SetShowFolders(folders);
        list.Attach();
        list.resize(600, 400);
        list.show();
        list.activateWindow();
        ready = QTest::qWaitForWindowActive(&list);
    }
    CMediaListCtrl list;
    bool ready = false;
};

// The part of the area that is not white.
QRect InkBounds(const QImage& image, const QRect& area)
{
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y) != QColor(Qt::white))
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

// The part of a picture that shows on white: not transparent, not white.
QRect VisibleBounds(const QImage& image)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() != 0 && c.rgb() != QColor(Qt::white).rgb())
                bounds |= QRect(x, y, 1, 1);
        }
    return bounds;
}

QPoint RowPoint(const CMediaListCtrl& list, int row, int column)
{
    return list.visualRect(list.model()->index(row, column)).center();
}

class MediaListTest : public testing::Test {
protected:
    static void SetUpTestSuite() { RegisterComponents(); }

    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString Path(const QString& name) const { return m_dir.filePath(name); }
    void MakeFolder(const QString& name) { ASSERT_TRUE(QDir(m_dir.path()).mkpath(name)); }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(MediaListTest, ListsSubFoldersFirstThenTheFilesTheSwitchesAllow)
{
    MakeFolder("b-folder");
    MakeFolder("x.mp4");
    for (const char* name : { "a.avi", "CLIP.MP4", "clip", ".mp4", "song.WAV", "notes.txt" })
        MakeFile(Path(name));
    ASSERT_EQ(QFileInfo(Path("a.avi")).lastModified().toString("dd.MM.yyyy"), kDate);

    struct Case {
        bool folders, audio, video;
        QStringList names;
        QList<int> kinds;
    } cases[] = {
        { true, false, true, { "b-folder", "x.mp4", "a.avi", "CLIP.MP4" }, { 3, 3, 1, 1 } },
        { true, true, true, { "b-folder", "x.mp4", "a.avi", "CLIP.MP4", "song.WAV" }, { 3, 3, 1, 1, 2 } },
        { true, true, false, { "b-folder", "x.mp4", "song.WAV" }, { 3, 3, 2 } },
        // Without folders, a folder named like a video is listed as one.
        { false, true, true, { "a.avi", "CLIP.MP4", "song.WAV", "x.mp4" }, { 1, 1, 2, 1 } },
    };
    const ItemIdList place = PlaceOf(m_dir.path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.names.join(' ').toStdString());
        CMediaListCtrl list;
        list.SetShowFolders(c.folders);
        list.SetShowAudio(c.audio);
        list.SetShowVideo(c.video);
        list.Attach();
        EXPECT_TRUE(list.IsDeviceMode());
        list.FillFromFolder(&place);
        EXPECT_FALSE(list.IsDeviceMode());
        EXPECT_EQ(list.GetFolderPath(), QDir::cleanPath(m_dir.path()));
        EXPECT_EQ(RowNames(list), c.names);
        EXPECT_EQ(RowKinds(list), c.kinds);
        EXPECT_EQ(list.GetSelectedRows(), QList<int> { 0 });
        for (int row = 0; row < list.GetItemCount(); ++row) {
            const QString name = c.names[row];
            EXPECT_EQ(list.GetItemPath(row), QDir::cleanPath(Path(name)));
            // Until the worker has been at a file, its row says so; the listing itself never
            // runs the event loop, so nothing has arrived yet.
            const QString date = QFileInfo(Path(name)).lastModified().toString("dd.MM.yyyy");
            const QString expected = c.kinds[row] == 3 ? name + "\nFolder" : name + "\nReading file information...\nDate:\t" + date;
            EXPECT_EQ(list.GetItemText(row), expected);
            const QSize picture = list.GetItem(row)->bitmap.GetSize();
            EXPECT_EQ(picture, QSize(48, 48));
        }
        EXPECT_TRUE(WaitForWorker(list));
    }
}

TEST_F(MediaListTest, WorkerShowsWhatEachFileHoldsAndCachesIt)
{
    CopyFixture("h264_aac.mp4", Path("clip.mp4"));
    CopyFixture("tone.wav", Path("tone.wav"));
    CopyFixture("text.mp4", Path("broken.mp4"));
    const QString longTone = MadeByFfmpeg("long.wav", { "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=8000:duration=125.9", "-ac", "1", "-c:a", "pcm_s16le" });
    ASSERT_FALSE(longTone.isEmpty());
    {
        QFile tone(longTone);
        ASSERT_TRUE(tone.open(QIODevice::ReadOnly));
        MakeFile(Path("long.wav"), tone.readAll());
    }
    MakeFile(Path("noframe.mp4"), IndexOnlyMp4());

    CMediaListCtrl list;
    list.SetShowAudio(true);
    list.Attach();
    QSignalSpy finished(&list, &CMediaListCtrl::WorkerFinished);
    const ItemIdList place = PlaceOf(m_dir.path());
    list.FillFromFolder(&place);
    ASSERT_EQ(RowNames(list), (QStringList { "broken.mp4", "clip.mp4", "long.wav", "noframe.mp4", "tone.wav" }));
    EXPECT_TRUE(list.IsWorkerRunning());
    ASSERT_TRUE(finished.wait(kWait));
    EXPECT_FALSE(list.IsWorkerRunning());

    const QString date = "\nDate:\t" + kDate;
    const QString video = "\nDuration:\t0:02\nResolution:\t320 x 240" + date;
    const QString unknown = "\nUnknown format" + date;
    EXPECT_EQ(list.GetItemText(0), "broken.mp4" + unknown);
    EXPECT_EQ(list.GetItemText(1), "clip.mp4" + video);
    EXPECT_EQ(list.GetItemText(2), "long.wav\nDuration:\t2:05\nFormat:\t8000 Hz, 1 channels and 16 bits" + date);
    // The length and size are known but no frame could be decoded: the row says what is known.
    EXPECT_EQ(list.GetItemText(3), "noframe.mp4" + video);
    EXPECT_EQ(list.GetItemText(4), "tone.wav\nDuration:\t0:02\nFormat:\t44100 Hz, 2 channels and 16 bits" + date);

    // The video's row shows a frame; the others keep their placeholders.
    const CMediaListItem* clip = list.GetItem(1);
    EXPECT_EQ(clip->bitmap.GetSize(), QSize(64, 48));
    EXPECT_FALSE(clip->bitmap.HasAlpha());
    const QRgb centre = clip->bitmap.GetImage().pixel(32, 24);
    EXPECT_FALSE(qRed(centre) == qGreen(centre) && qGreen(centre) == qBlue(centre) && qRed(centre) == 0) << "the frame is black";
    for (int row : { 0, 2, 3, 4 }) {
        EXPECT_EQ(list.GetItem(row)->bitmap.GetSize(), QSize(48, 48)) << row;
        EXPECT_TRUE(list.GetItem(row)->bitmap.HasAlpha()) << row;
    }

    // Listed again in the same run, everything comes from the cache, including the first
    // verdict on the file whose frame failed.
    list.Refresh();
    ASSERT_TRUE(finished.wait(kWait));
    EXPECT_EQ(list.GetItemText(1), "clip.mp4" + video);
    EXPECT_EQ(list.GetItem(1)->bitmap.GetSize(), QSize(64, 48));
    EXPECT_EQ(list.GetItemText(2), "long.wav\nDuration:\t2:05\nFormat:\t8000 Hz, 1 channels and 16 bits" + date);
    EXPECT_EQ(list.GetItemText(3), "noframe.mp4" + unknown);

    // A file that changed since (one that was still being written, say) is analysed again.
    CopyFixture("h264_aac.mp4", Path("broken.mp4"));
    list.Refresh();
    ASSERT_TRUE(finished.wait(kWait));
    EXPECT_EQ(list.GetItemText(0), "broken.mp4" + video);
}

TEST_F(MediaListTest, StoppingNeverWaitsAndAStoppedWorkersResultsAreDropped)
{
    MakeFolder("a");
    MakeFolder("b/only-a-folder");
    MakeFile(Path("a/clip.mp4"), "not really");
    const ItemIdList a = PlaceOf(Path("a")), b = PlaceOf(Path("b"));

    ShownList shown;
    ASSERT_TRUE(shown.ready);
    CMediaListCtrl& list = shown.list;
    {
        // With the fetch lock held here, the worker cannot get past its first file.
        std::unique_lock lock(CMediaInfoCache::Lock());
        list.FillFromFolder(&a);
        ASSERT_TRUE(list.IsWorkerRunning());

        // Renaming waits until the worker is done.
        QTest::keyClick(&list, Qt::Key_F2);
        auto* edit = list.findChild<CMLCEdit*>();
        EXPECT_TRUE(!edit || !edit->isVisible());

        // Listing another folder retires the blocked worker without waiting for it.
        list.FillFromFolder(&b);
        EXPECT_FALSE(list.IsWorkerRunning()); // nothing there to fetch
        ASSERT_EQ(list.GetItemCount(), 1);
    }
    // The old worker finishes its file and ends; its result must not land on the new rows.
    EXPECT_TRUE(QTest::qWaitFor([] { return CMediaListCtrl::GetLiveWorkerCount() == 0; }, kWait));
    EXPECT_EQ(list.GetItemText(0), "only-a-folder\nFolder");

    // A list destroyed while its worker has files to go leaves the thread to the joining at the
    // application's end, which stops and joins whatever still runs.
    for (int i = 0; i < 20; ++i)
        CopyFixture("h264_aac.mp4", Path(QString("a/copy%1.mp4").arg(i)));
    auto doomed = std::make_unique<CMediaListCtrl>();
    doomed->Attach();
    doomed->FillFromFolder(&a);
    EXPECT_TRUE(doomed->IsWorkerRunning());
    doomed.reset();
    CMediaListWorker::JoinAll();
    EXPECT_EQ(CMediaListCtrl::GetLiveWorkerCount(), 0);
}

TEST_F(MediaListTest, CheckedItemsFallBackToTheSelectionOnlyOnYes)
{
    // Device rows: the page's own items.
    CMediaListCtrl list;
    list.Attach();
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(list.AddItem(QImage(), i, QString("Title %1\nTrack").arg(i), false), i);
    EXPECT_EQ(list.AddItem(QImage(), 99, "Last", false), 4);
    EXPECT_EQ(RowKinds(list), (QList<int> { 4, 4, 4, 4, 4 }));
    SelectRows(list, { 1, 3 });

    QList<int> items;
    {
        BoxAnswerer answer(QMessageBox::No);
        list.GetCheckedItems(&items, false);
        EXPECT_TRUE(answer.texts.isEmpty());
        list.GetCheckedItems(&items, true);
        EXPECT_EQ(answer.texts, QStringList { CStringTable::Text(293) });
        EXPECT_EQ(answer.icons, QList<QMessageBox::Icon> { QMessageBox::NoIcon });
    }
    EXPECT_TRUE(items.isEmpty());
    {
        BoxAnswerer answer(QMessageBox::Yes);
        list.GetCheckedItems(&items, true);
        EXPECT_EQ(answer.texts.size(), 1);
        EXPECT_EQ(items, (QList<int> { 1, 3 }));

        // Marked rows are taken without a question.
        items.clear();
        list.SetCheck(4, true);
        list.SetCheck(2, true);
        list.GetCheckedItems(&items, true);
        EXPECT_EQ(items, (QList<int> { 2, 4 }));
        EXPECT_EQ(answer.texts.size(), 1);
        list.UncheckAll();
        EXPECT_FALSE(list.GetCheck(2) || list.GetCheck(4));
    }

    // In a folder, only files count.
    MakeFolder("sub");
    MakeFile(Path("a.mp4"));
    MakeFile(Path("b.mp4"));
    CMediaListCtrl folderList;
    folderList.Attach();
    const ItemIdList place = PlaceOf(m_dir.path());
    folderList.FillFromFolder(&place);
    SelectRows(folderList, { 0, 1, 2 });
    QStringList files;
    {
        BoxAnswerer answer(QMessageBox::Yes);
        folderList.GetCheckedFiles(&files);
    }
    EXPECT_EQ(files, (QStringList { QDir::cleanPath(Path("a.mp4")), QDir::cleanPath(Path("b.mp4")) }));
    EXPECT_TRUE(WaitForWorker(folderList));
}

TEST_F(MediaListTest, ClicksToggleMarksAndTheAllHeaderTogglesThemAll)
{
    MakeFolder("sub");
    MakeFile(Path("a.mp4"));
    MakeFile(Path("b.mp4"));
    ShownList shown;
    ASSERT_TRUE(shown.ready);
    CMediaListCtrl& list = shown.list;
    const ItemIdList place = PlaceOf(m_dir.path());
    list.FillFromFolder(&place);
    ASSERT_EQ(RowKinds(list), (QList<int> { 3, 1, 1 }));
    QSignalSpy notified(&list, &CMediaListCtrl::Notify);
    const int check = list.GetCheckColumn();
    ASSERT_EQ(check, 0);

    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, RowPoint(list, 1, check));
    EXPECT_TRUE(list.GetCheck(1));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, RowPoint(list, 1, list.GetTextColumn()));
    EXPECT_TRUE(list.GetCheck(1)) << "a click beside the mark changed it";
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, RowPoint(list, 0, check));
    EXPECT_FALSE(list.GetCheck(0)) << "a folder got a mark it cannot show";
    ASSERT_EQ(notified.size(), 3);
    for (const auto& n : notified)
        EXPECT_EQ(n.at(0).toInt(), MLN_CLICK);

    QHeaderView* header = list.header();
    const QPoint all(header->sectionViewportPosition(0) + header->sectionSize(0) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, all); // not all marked: mark all
    EXPECT_EQ((QList<bool> { list.GetCheck(0), list.GetCheck(1), list.GetCheck(2) }), (QList<bool> { false, true, true }));
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, all); // all marked: clear all
    EXPECT_EQ((QList<bool> { list.GetCheck(0), list.GetCheck(1), list.GetCheck(2) }), (QList<bool> { false, false, false }));
    EXPECT_TRUE(WaitForWorker(list));
}

TEST_F(MediaListTest, ColumnsRowsAndDrawing)
{
    struct Case {
        bool checkBoxes;
        QStringList titles;
        QList<int> widths; // for a 600-pixel wide client area
    } cases[] = {
        { true, { "All", "Thumbnail", "Name" }, { 36, 76, 600 - 36 - 76 - 1 } },
        { false, { "Thumbnail", "Name" }, { 76, 600 - 76 - 1 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.checkBoxes);
        CMediaListCtrl list;
        list.SetCheckBoxes(c.checkBoxes);
        list.Attach();
        list.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
        list.resize(600 + list.width() - list.viewport()->width(), 400);
        ASSERT_TRUE(QTest::qWaitFor([&] { return list.viewport()->width() == 600; }, kWait));
        ASSERT_EQ(list.model()->columnCount(), c.titles.size());
        for (int column = 0; column < c.titles.size(); ++column) {
            EXPECT_EQ(list.model()->headerData(column, Qt::Horizontal).toString(), c.titles[column]);
            EXPECT_EQ(list.columnWidth(column), c.widths[column]) << column;
        }
        EXPECT_EQ(list.GetCheckColumn(), c.checkBoxes ? 0 : -1);

        // A device row with a red 20 x 10 picture, then a selected one.
        QImage red(20, 10, QImage::Format_RGB32);
        red.fill(Qt::red);
        list.AddItem(red, 0, "Red\nplain words", false);
        list.AddItem(QImage(), 1, "Second\nLabel:\tvalue", false);
        SelectRows(list, { 1 });
        EXPECT_EQ(list.visualRect(list.model()->index(0, 0)).height(), 60);
        EXPECT_EQ(list.visualRect(list.model()->index(1, 0)).top(), 60);

        const QImage shot = list.viewport()->grab().toImage();
        const int thumbnailLeft = c.checkBoxes ? 36 : 0;
        const int x = (thumbnailLeft + 6 + thumbnailLeft + 76 - 6 - 20) / 2; // centred in the cell
        EXPECT_EQ(shot.pixelColor(x, 6), QColor(Qt::red));
        EXPECT_EQ(shot.pixelColor(x + 19, 15), QColor(Qt::red));
        EXPECT_NE(shot.pixelColor(x - 1, 6), QColor(Qt::red));
        EXPECT_NE(shot.pixelColor(x, 5), QColor(Qt::red));
        // Unselected rows are white; the selected one has the skin's selection bitmap under it.
        EXPECT_EQ(shot.pixelColor(590, 30), QColor(Qt::white));
        EXPECT_NE(shot.pixelColor(590, 90), QColor(Qt::white));
        if (c.checkBoxes) {
            // The unchecked mark, centred in the check cell: what is not white there is the mark.
            CAlphaBitmap mark;
            ASSERT_TRUE(mark.LoadFromResource(365));
            EXPECT_EQ(InkBounds(shot, QRect(0, 0, 36, 59)), VisibleBounds(mark.GetImage()).translated(6, 18));
        }
    }
}

TEST_F(MediaListTest, RenameCommitsOnceAndEscapeNeverRenames)
{
    MakeFile(Path("a.mp4"), "a");
    MakeFile(Path("m.avi"), "m");
    ShownList shown;
    ASSERT_TRUE(shown.ready);
    CMediaListCtrl& list = shown.list;
    QSignalSpy notified(&list, &CMediaListCtrl::Notify);
    const ItemIdList place = PlaceOf(m_dir.path());
    list.FillFromFolder(&place);
    ASSERT_TRUE(WaitForWorker(list));

    // Enter renames a.mp4 to z.mp4. The list then shows m.avi first: a second commit, as the
    // editor's loss of focus sends, would rename m.avi to z.avi.
    SelectRows(list, { 0 });
    QTest::keyClick(&list, Qt::Key_F2);
    auto* edit = list.findChild<CMLCEdit*>();
    ASSERT_NE(edit, nullptr);
    ASSERT_TRUE(edit->isVisible());
    EXPECT_EQ(edit->text(), "a");
    EXPECT_EQ(edit->selectedText(), "a");
    edit->setText("z");
    QTest::keyClick(edit, Qt::Key_Return);
    QFocusEvent focusOut(QEvent::FocusOut);
    QApplication::sendEvent(edit, &focusOut);
    EXPECT_FALSE(edit->isVisible());
    EXPECT_FALSE(QFile::exists(Path("a.mp4")));
    EXPECT_TRUE(QFile::exists(Path("z.mp4")));
    EXPECT_TRUE(QFile::exists(Path("m.avi")));
    EXPECT_FALSE(QFile::exists(Path("z.avi")));
    EXPECT_EQ(RowNames(list), (QStringList { "m.avi", "z.mp4" }));
    ASSERT_EQ(notified.size(), 1);
    EXPECT_EQ(notified.at(0).at(0).toInt(), MLN_RENAMED);
    ASSERT_TRUE(WaitForWorker(list));

    // Escape, and the loss of focus after it, rename nothing.
    SelectRows(list, { 0 });
    QTest::keyClick(&list, Qt::Key_F2);
    ASSERT_TRUE(edit->isVisible());
    edit->setText("q");
    QTest::keyClick(edit, Qt::Key_Escape);
    QApplication::sendEvent(edit, &focusOut);
    EXPECT_FALSE(edit->isVisible());
    EXPECT_TRUE(QFile::exists(Path("m.avi")));
    EXPECT_FALSE(QFile::exists(Path("q.avi")));
    EXPECT_EQ(notified.size(), 1);
}

TEST_F(MediaListTest, RenameStaysInTheFolderNeverOverwritesAndRefreshesOnFailure)
{
    MakeFolder("sub");
    MakeFile(Path("a.mp4"), "a");
    MakeFile(Path("b.mp4"), "b");
    MakeFile(Path("c.mp4"), "c");
    ShownList shown;
    ASSERT_TRUE(shown.ready);
    CMediaListCtrl& list = shown.list;
    QSignalSpy notified(&list, &CMediaListCtrl::Notify);
    const ItemIdList place = PlaceOf(m_dir.path());

    struct Case {
        const char* file;
        const char* typed;
        bool vanish; // the file is gone before the commit
    } cases[] = {
        { "a.mp4", "b", false },          // b.mp4 exists: both keep their contents
        { "a.mp4", "../a", false },       // not a name in this folder
        { "a.mp4", "sub/a", false },
        { "a.mp4", "", false },
        { "c.mp4", "d", true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        list.FillFromFolder(&place);
        ASSERT_TRUE(WaitForWorker(list));
        const int row = RowNames(list).indexOf(c.file);
        ASSERT_GE(row, 0);
        SelectRows(list, { row });
        QTest::keyClick(&list, Qt::Key_F2);
        auto* edit = list.findChild<CMLCEdit*>();
        ASSERT_TRUE(edit && edit->isVisible());
        edit->setText(c.typed);
        if (c.vanish) {
            ASSERT_TRUE(QFile::remove(Path(c.file)));
        }
        notified.clear();
        QTest::keyClick(edit, Qt::Key_Return);
        ASSERT_EQ(notified.size(), 1);
        EXPECT_EQ(notified.at(0).at(0).toInt(), MLN_RENAMED);
        EXPECT_EQ(RowNames(list).contains(c.file), !c.vanish) << "not listed again";
    }
    const QStringList left = QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
    EXPECT_EQ(left, (QStringList { "a.mp4", "b.mp4", "sub" }));
    QFile b(Path("b.mp4"));
    ASSERT_TRUE(b.open(QIODevice::ReadOnly));
    EXPECT_EQ(b.readAll(), "b");
    EXPECT_TRUE(QDir(Path("sub")).isEmpty());
    EXPECT_FALSE(QFile::exists(QFileInfo(m_dir.path()).dir().filePath("a.mp4")));
}

TEST_F(MediaListTest, DeleteRemovesTheSelectedFilesAfterAskingAndReportsNothingForVanishedOnes)
{
    MakeFolder("keep");
    for (const char* name : { "a.mp4", "b.mp4", "c.mp4" })
        MakeFile(Path(name));
    ShownList shown;
    ASSERT_TRUE(shown.ready);
    CMediaListCtrl& list = shown.list;
    QSignalSpy notified(&list, &CMediaListCtrl::Notify);
    const ItemIdList place = PlaceOf(m_dir.path());
    list.FillFromFolder(&place);
    ASSERT_EQ(RowNames(list), (QStringList { "keep", "a.mp4", "b.mp4", "c.mp4" }));

    SelectRows(list, { 0, 1, 2 });
    {
        BoxAnswerer answer(QMessageBox::No);
        QTest::keyClick(&list, Qt::Key_Delete);
        EXPECT_EQ(answer.texts, QStringList { CStringTable::Text(228) });
        EXPECT_EQ(answer.icons, QList<QMessageBox::Icon> { QMessageBox::Critical });
    }
    EXPECT_TRUE(notified.isEmpty());
    EXPECT_EQ(list.GetItemCount(), 4);

    {
        BoxAnswerer answer(QMessageBox::Yes);
        QTest::keyClick(&list, Qt::Key_Delete);
        EXPECT_EQ(answer.texts.size(), 1);
    }
    EXPECT_FALSE(QFile::exists(Path("a.mp4")));
    EXPECT_FALSE(QFile::exists(Path("b.mp4")));
    EXPECT_TRUE(QFileInfo(Path("keep")).isDir());
    EXPECT_EQ(RowNames(list), (QStringList { "keep", "c.mp4" }));
    ASSERT_EQ(notified.size(), 1);
    EXPECT_EQ(notified.at(0).at(0).toInt(), MLN_DELETED);

    // Gone before the user confirms: only the one question, the refresh and the notification.
    SelectRows(list, { 1 });
    ASSERT_TRUE(QFile::remove(Path("c.mp4")));
    {
        BoxAnswerer answer(QMessageBox::Yes);
        QTest::keyClick(&list, Qt::Key_Delete);
        EXPECT_EQ(answer.texts.size(), 1);
    }
    EXPECT_EQ(RowNames(list), QStringList { "keep" });
    EXPECT_EQ(notified.size(), 2);

    // In device mode the page decides.
    CMediaListCtrl device;
    device.Attach();
    device.AddItem(QImage(), 0, "Track", false);
    SelectRows(device, { 0 });
    QSignalSpy deviceNotified(&device, &CMediaListCtrl::Notify);
    {
        BoxAnswerer answer(QMessageBox::Yes);
        QTest::keyClick(&device, Qt::Key_Delete);
        EXPECT_TRUE(answer.texts.isEmpty());
    }
    ASSERT_EQ(deviceNotified.size(), 1);
    EXPECT_EQ(deviceNotified.at(0).at(0).toInt(), MLN_DELETEREQUEST);
    EXPECT_EQ(device.GetItemCount(), 1);
}

TEST_F(MediaListTest, AFolderThatCannotBeReadListsNothing)
{
    MakeFile(Path("file.mp4"));
    MakeFolder("locked");
    MakeFile(Path("locked/inside.mp4"));
    QStringList places { Path("missing"), Path("file.mp4") };
    if (geteuid() != 0) { // permissions do not stop root
        ASSERT_TRUE(QFile::setPermissions(Path("locked"), QFileDevice::Permissions()));
        places << Path("locked");
    }
    for (const QString& path : places) {
        SCOPED_TRACE(path.toStdString());
        CMediaListCtrl list;
        list.Attach();
        const ItemIdList place = PlaceOf(path);
        ASSERT_FALSE(place.isEmpty());
        list.FillFromFolder(&place);
        EXPECT_FALSE(list.IsDeviceMode());
        EXPECT_EQ(list.GetItemCount(), 0);
        EXPECT_FALSE(list.IsWorkerRunning());
    }
    QFile::setPermissions(Path("locked"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST_F(MediaListTest, DoubleClickOpensFoldersAndActivatesDeviceRows)
{
    MakeFolder("sub/deeper");
    MakeFile(Path("sub/clip.mp4"));
    ShownList shown;
    ASSERT_TRUE(shown.ready);
    CMediaListCtrl& list = shown.list;
    QSignalSpy notified(&list, &CMediaListCtrl::Notify);
    const ItemIdList place = PlaceOf(m_dir.path());
    list.FillFromFolder(&place);
    ASSERT_EQ(RowNames(list), QStringList { "sub" });

    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, RowPoint(list, 0, list.GetTextColumn()));
    EXPECT_EQ(list.GetFolderPath(), QDir::cleanPath(Path("sub")));
    EXPECT_EQ(RowNames(list), (QStringList { "deeper", "clip.mp4" }));
    ASSERT_FALSE(notified.isEmpty());
    EXPECT_EQ(notified.last().at(0).toInt(), MLN_FOLDERCHANGED);

    notified.clear();
    list.GoUp();
    EXPECT_EQ(list.GetFolderPath(), QDir::cleanPath(m_dir.path()));
    ASSERT_EQ(notified.size(), 1);
    EXPECT_EQ(notified.at(0).at(0).toInt(), MLN_FOLDERCHANGED);
    EXPECT_TRUE(WaitForWorker(list));

    CMediaListCtrl device;
    device.Attach();
    device.resize(600, 400);
    device.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&device));
    device.AddItem(QImage(), 0, "Title 1", false);
    QSignalSpy deviceNotified(&device, &CMediaListCtrl::Notify);
    // A double-click comes after a press, which makes the row the current one.
    QTest::mouseClick(device.viewport(), Qt::LeftButton, {}, RowPoint(device, 0, device.GetTextColumn()));
    QTest::mouseDClick(device.viewport(), Qt::LeftButton, {}, RowPoint(device, 0, device.GetTextColumn()));
    ASSERT_GE(deviceNotified.size(), 2);
    EXPECT_EQ(deviceNotified.first().at(0).toInt(), MLN_CLICK);
    EXPECT_EQ(deviceNotified.last().at(0).toInt(), MLN_ACTIVATE);
}

TEST_F(MediaListTest, ContextMenuFollowsTheFocusedRow)
{
    MakeFolder("sub");
    MakeFile(Path("a.mp4"));
    ShownList shown;
    ASSERT_TRUE(shown.ready);
    CMediaListCtrl& list = shown.list;
    const ItemIdList place = PlaceOf(m_dir.path());
    list.FillFromFolder(&place);
    ASSERT_TRUE(WaitForWorker(list));

    struct Seen {
        QStringList texts;
        QList<bool> enabled;
        QString defaultText;
        bool boldDefault = false;
    };
    // Opens the menu and closes it again, noting what it offered.
    const auto open = [&list] {
        Seen seen;
        QTimer timer;
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu)
                return;
            timer.stop();
            for (QAction* action : menu->actions()) {
                seen.texts << action->text();
                seen.enabled << action->isEnabled();
            }
            if (menu->defaultAction()) {
                seen.defaultText = menu->defaultAction()->text();
                seen.boldDefault = true;
            }
            menu->close();
        });
        timer.start();
        QTest::keyClick(&list, Qt::Key_Menu);
        return seen;
    };

    SelectRows(list, { 0 }); // the folder
    Seen folder = open();
    EXPECT_EQ(folder.texts, (QStringList { "&Play...", "Open in Video Editor...", "&Rename...", "&Delete...", "Show &Properties..." }));
    EXPECT_EQ(folder.enabled, (QList<bool> { false, false, false, false, true }));
    EXPECT_EQ(folder.defaultText, "&Play...");

    SelectRows(list, { 1 }); // the file
    EXPECT_EQ(open().enabled, (QList<bool> { true, true, true, true, true }));

    CMediaListCtrl device;
    device.Attach();
    device.AddItem(QImage(), 0, "Track", false);
    QSignalSpy notified(&device, &CMediaListCtrl::Notify);
    device.ShowContextMenu();
    ASSERT_EQ(notified.size(), 1);
    EXPECT_EQ(notified.at(0).at(0).toInt(), MLN_CONTEXTMENU);
}

TEST_F(MediaListTest, PropertiesShowWhatIsKnownAboutTheFile)
{
    CopyFixture("h264_aac.mp4", Path("clip.mp4"));
    CopyFixture("text.mp4", Path("broken.mp4"));
    CMediaListCtrl list;
    list.Attach();
    const ItemIdList place = PlaceOf(m_dir.path());
    list.FillFromFolder(&place);
    ASSERT_EQ(RowNames(list), (QStringList { "broken.mp4", "clip.mp4" }));

    // Shows the dialog for the row and returns its rows as label -> value.
    const auto properties = [&list](int row) {
        std::map<QString, QString> rows;
        SelectRows(list, { row });
        QTimer timer;
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<CPropertiesDlg*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            timer.stop();
            for (const auto& [label, value] : dialog->Rows())
                rows[label] = value;
            dialog->accept();
        });
        timer.start();
        list.ShowProperties();
        return rows;
    };

    const std::map<QString, QString> clip = properties(1);
    EXPECT_EQ(clip.at("Last modified"), kDate);
    EXPECT_EQ(clip.at("Contains video"), "Yes");
    EXPECT_EQ(clip.at("Video width"), "320");
    EXPECT_EQ(clip.at("Video height"), "240");
    EXPECT_EQ(clip.at("Frame rate"), "25.00");
    EXPECT_EQ(clip.at("Length in seconds").left(2), "2.");
    EXPECT_EQ(clip.at("Contains audio"), "Yes");
    EXPECT_EQ(clip.at("Audio sample rate"), "44100");
    EXPECT_EQ(clip.at("Number of audio channels"), "2");
    EXPECT_EQ(clip.at("Audio resolution in bits"), "16");

    const std::map<QString, QString> broken = properties(0);
    const std::map<QString, QString> known { { "Last modified", kDate }, { "Contains video", "No" }, { "Contains audio", "No" } };
    EXPECT_EQ(broken, known);
    EXPECT_TRUE(WaitForWorker(list));
}
