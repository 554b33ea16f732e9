#include "titles/TagEditor.h"

#include "decoder/TagStore.h"
#include "platform/Platform.h"
#include "decoder/Records.h"
#include "core/PathNames.h"
#include "titles/TitleBuilder.h"
#include "ui/Label.h"
#include "ui/ListBox.h"
#include "ui/Panel.h"
#include "ui/Telbo.h"
#include "ui/Twips.h"

#include <QComboBox>
#include <QImageReader>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QScopedValueRollback>
#include <QUrl>

#include <algorithm>
#include <array>

namespace telbo {

namespace {

constexpr int kLastGenre = 147;
constexpr double kListHeightWithTag = 1770;
constexpr double kListHeightAlone = 4335;
const QColor kShowTagOn{0xC0, 0xC0, 0xFF};
const QColor kShowTagOff{0x80, 0x80, 0x80};
const QString kEditorCaption = QStringLiteral("TagSet");

// What a field shows: the text up to its first NUL.
template <std::size_t N> QString Shown(const FixedText<N>& field) {
    return QString::fromStdString(field.Shown());
}

template <std::size_t N> void Store(FixedText<N>& field, const QString& text) {
    field.Store(text.toStdString());
}

bool BlanksOnly(const QString& s) {
    for (const QChar c : s)
        if (c != u' ') return false;
    return true;
}

// The genre list's row named `name` in any case, -1 for none.
int GenreRow(const QComboBox* genres, const QString& name) {
    if (name.isEmpty()) return -1;
    // MatchFixedString compares without case.
    return genres->findText(name, Qt::MatchFixedString);
}

// At least two digits: 1 -> "01", 100 -> "100".
QString TrackNumber(int n) {
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

} // namespace

QString TagEditor::TrackPath(int i) const {
    if (i < 0 || i >= w.st.KO || i >= kSlots) return {};
    return w.st.TitleFiles[static_cast<std::size_t>(i)];
}

int TagEditor::SelectedTrack() const {
    const int sel = w.ui.lstFile[1]->currentRow();
    return TrackPath(sel).isEmpty() ? -1 : sel;
}

void TagEditor::lblShowTag_Click() {
    PlayerState& st = w.st;
    Controls& ui = w.ui;
    const int sel = ui.lstFile[1]->currentRow();
    if (sel < 0) {
        // Selecting runs the track-selection action; the panel waits for the next click.
        if (st.KO > 0) {
            ui.lstFile[1]->setCurrentRow(0);
            return;
        }
        // Hiding needs no track. Without this an open panel could not be closed once the
        // list is empty: its close labels set the editor's state and run this cycle.
        if (st.TagShowFlag != TagPanel::Editor) return;
    }

    auto setListHeights = [&](double h) {
        tw::SetHeight(ui.lstFile[0], h);
        tw::SetHeight(ui.lstFile[1], h);
    };
    switch (st.TagShowFlag) {
    case TagPanel::None:
        st.TagShowFlag = TagPanel::View;
        ui.lblShowTag->setCaption(QStringLiteral("ShowTag"));
        ui.lblShowTag->setForeColor(kShowTagOn);
        LoadTagView(sel);
        ui.frmTag[0]->show();
        ui.frmTag[1]->hide();
        setListHeights(kListHeightWithTag);
        break;
    case TagPanel::View:
        st.TagShowFlag = TagPanel::Editor;
        ui.lblShowTag->setCaption(QStringLiteral("TagSet"));
        ui.lblShowTag->setForeColor(kShowTagOn);
        LoadTagEditor(sel);
        ui.frmTag[0]->hide();
        ui.frmTag[1]->show();
        setListHeights(kListHeightWithTag);
        break;
    case TagPanel::Editor:
        st.TagShowFlag = TagPanel::None;
        ui.lblShowTag->setCaption(QStringLiteral("ShowTag"));
        ui.lblShowTag->setForeColor(kShowTagOff);
        ui.frmTag[0]->hide();
        ui.frmTag[1]->hide();
        setListHeights(kListHeightAlone);
        break;
    default:
        break;
    }
}

namespace {

// The cover at most this wide in the heading's tooltip; a smaller one keeps its size.
constexpr int kCoverTipWidth = 200;

QString CoverToolTip(const QString& coverPath) {
    if (coverPath.isEmpty()) return {};
    // The header gives the size without decoding the picture.
    const int width = QImageReader(coverPath).size().width();
    const int shown = width > 0 ? std::min(width, kCoverTipWidth) : kCoverTipWidth;
    return QStringLiteral("<img src=\"%1\" width=\"%2\">")
        .arg(QString::fromUtf8(QUrl::fromLocalFile(coverPath).toEncoded()).toHtmlEscaped())
        .arg(shown);
}

} // namespace

void TagEditor::LoadTagView(int i) {
    const QString path = TrackPath(i);
    if (path.isEmpty()) return;
    Controls& ui = w.ui;
    const QListWidgetItem* row = ui.lstFile[1]->item(i);
    ui.lblTagInfo[0]->setCaption(row ? row->text() : DisplayName(path));
    ui.lblTagInfo[0]->setToolTip(CoverToolTip(w.coverArt.CoverFor(w.tags, path)));

    TagRecord& tag = w.st.EditTag;
    w.titleBuilder.ReadTag(path, tag);
    ui.lblTagData[0]->setCaption(Shown(tag.Title));
    ui.lblTagData[1]->setCaption(Shown(tag.Artist));
    ui.lblTagData[2]->setCaption(Shown(tag.Album));
    ui.lblTagData[3]->setCaption(Shown(tag.Year));
    ui.lblTagData[4]->setCaption(Shown(tag.GenreName));
    ui.lblTagData[5]->setCaption(Shown(tag.Comment));
}

void TagEditor::LoadTagEditor(int i) {
    const QString path = TrackPath(i);
    if (path.isEmpty()) return;
    w.ui.frmTag[1]->setCaption(kEditorCaption);
    w.titleBuilder.ReadTag(path, w.st.EditTag);
    ShowEditTag(i);
    changed_.reset(); // what the editor shows is the file's own tag now
}

void TagEditor::ShowEditTag(int i) {
    const QString path = TrackPath(i);
    if (path.isEmpty()) return;
    Controls& ui = w.ui;
    const TagRecord& tag = w.st.EditTag;
    const QScopedValueRollback<bool> showing(showing_, true);

    ui.txtTagData[0]->setText(Shown(tag.Title));
    ui.txtTagData[1]->setText(Shown(tag.Artist));
    ui.txtTagData[2]->setText(Shown(tag.Album));
    // The box takes up to four digits: letters would leave no year to write.
    if (!ui.txtTagData[3]->validator()) {
        ui.txtTagData[3]->setValidator(new QRegularExpressionValidator(
            QRegularExpression(QStringLiteral("[0-9]{0,4}")), ui.txtTagData[3]));
    }
    // The record's fifth character is padding.
    ui.txtTagData[3]->setText(Shown(tag.Year));
    // The box shows the track's own genre text, even outside the list or in another case; the
    // list row follows it. A record without a name (a cleared one) shows its number's row.
    QComboBox* genres = ui.cmbTagGenre;
    const QString genre = Shown(tag.GenreName).trimmed(); // stored names are blank-padded
    if (!genre.isEmpty()) {
        genres->setCurrentIndex(GenreRow(genres, genre));
        genres->setEditText(genre);
    } else if (tag.GenreNumber >= 0 && tag.GenreNumber <= kLastGenre &&
               tag.GenreNumber < genres->count()) {
        genres->setCurrentIndex(tag.GenreNumber);
    } else {
        genres->setCurrentIndex(-1);
        genres->setEditText(QString());
    }
    ui.txtTagData[4]->setText(Shown(tag.Comment));

    const bool readOnly = w.platform.isReadOnly(path);
    ui.lblTagSet[7]->setCaption(readOnly ? QStringLiteral("ReadOnly") : QString());
    ui.cmbTagGenre->setEnabled(!readOnly);
    for (QLineEdit* box : ui.txtTagData) {
        if (BlanksOnly(box->text())) box->clear();
        box->setReadOnly(!ui.lblTagSet[7]->caption().isEmpty());
    }
}

void TagEditor::txtTagData_Change(int i) {
    static constexpr std::array<TagField, 5> kBoxField = {
        TagField::Title, TagField::Artist, TagField::Album, TagField::Year, TagField::Comment};
    if (!showing_ && i >= 0 && i < static_cast<int>(kBoxField.size()))
        Mark(changed_, kBoxField[static_cast<std::size_t>(i)]);
}

void TagEditor::cmbTagGenre_Change() {
    if (!showing_) Mark(changed_, TagField::Genre);
}

void TagEditor::StoreEditTag(int i) {
    const QString path = TrackPath(i);
    if (path.isEmpty()) return;
    TakeEditorFields();
    WriteEditTag(path);
}

void TagEditor::TakeEditorFields() {
    Controls& ui = w.ui;
    TagRecord& tag = w.st.EditTag;
    Store(tag.Title, ui.txtTagData[0]->text());
    Store(tag.Artist, ui.txtTagData[1]->text());
    Store(tag.Album, ui.txtTagData[2]->text());
    Store(tag.Year, ui.txtTagData[3]->text());
    // The genre is what the box shows, picked or typed: a list name (in any case) by its
    // number, any other text as it is, nothing as -1 (no genre).
    const QString genre = ui.cmbTagGenre->currentText().trimmed();
    const int row = GenreRow(ui.cmbTagGenre, genre);
    tag.GenreNumber = genre.isEmpty() ? -1 : row >= 0 && row <= kLastGenre ? row : 255;
    Store(tag.GenreName, genre);
    Store(tag.Comment, ui.txtTagData[4]->text());
}

void TagEditor::WriteEditTag(const QString& path) {
    WriteTag(path, w.st.EditTag);
}

void TagEditor::WriteTag(const QString& path, const TagRecord& tag) {
    // A failed write leaves that file as it was (the decoder replaces a file whole or not at
    // all) and the other tracks are still written; the user is told afterwards.
    const TagWriteResult result = w.tags.Write(path.toStdString(), tag);
    const bool written = result.written;
    const QString why = QString::fromStdString(result.problem);
    if (!written || !why.isEmpty()) {
        const QString problem =
            DisplayName(path) + QStringLiteral(": ") + (why.isEmpty() ? QStringLiteral("not written") : why);
        if (!problems_.contains(problem)) problems_ << problem;
    }
    if (written && path == TrackPath(w.st.PlayPoint)) currentWritten_ = true;
    if (written) emit w.tagSaved(path);
}

void TagEditor::ReportWrites() {
    // The editor's own caption: seen where the user clicked, and it covers nothing.
    QString caption = kEditorCaption;
    if (!problems_.isEmpty()) {
        caption += QStringLiteral("  ") + problems_.first();
        if (problems_.size() > 1) caption += QStringLiteral(" (+%1)").arg(problems_.size() - 1);
    }
    w.ui.frmTag[1]->setCaption(caption);
    if (currentWritten_) w.titleBuilder.BuildTitle();
}

template <typename TitleOf> void TagEditor::WriteAll(int sel, TitleOf title) {
    PlayerState& st = w.st;
    TakeEditorFields();
    const auto writeOne = [&](int i) {
        const QString path = st.TitleFiles[static_cast<std::size_t>(i)];
        // A file that cannot be made writable is still tried; the write then fails alone.
        w.platform.clearAttributes(path);
        // Each track keeps its own fields; only those the user changed are the editor's.
        TagRecord own;
        if (!w.titleBuilder.ReadTag(path, own)) {
            own = TagRecord{};
            own.GenreNumber = -1; // an unread tag names no genre, not genre 0
        }
        TagRecord out = OverlayTag(changed_, own, st.EditTag);
        title(i, path, out);
        WriteTag(path, out);
    };
    writeOne(sel);
    for (int i = 0; i < st.KO && i < kSlots; ++i)
        writeOne(i);
}

void TagEditor::lblTagSet_Click(int index) {
    const int sel = SelectedTrack();
    if (sel < 0) return;
    Controls& ui = w.ui;
    PlayerState& st = w.st;

    if (index <= 3) {
        problems_.clear();
        currentWritten_ = false;
    }
    switch (index) {
    case 0: // Set
        StoreEditTag(sel);
        ReportWrites();
        break;
    case 1: // SetAll
        if (changed_.none()) {
            ui.frmTag[1]->setCaption(kEditorCaption + QStringLiteral("  nothing changed"));
            break;
        }
        WriteAll(sel, [](int, const QString&, TagRecord&) {});
        ReportWrites();
        break;
    case 2: { // SetAllWithNum
        const QString base = ui.txtTagData[0]->text();
        WriteAll(sel, [&](int i, const QString&, TagRecord& out) {
            Store(out.Title, base + TrackNumber(i + 1));
        });
        LoadTagEditor(sel);
        ReportWrites();
        break;
    }
    case 3: // SetAllWithTitle
        WriteAll(sel, [](int, const QString& path, TagRecord& out) {
            Store(out.Title, DisplayName(path));
        });
        LoadTagEditor(sel);
        ReportWrites();
        break;
    case 4: // Copy: the tag as last loaded or stored, not unsaved edits
        st.TagClipboard = st.EditTag;
        break;
    case 5: // Paste: shown only, the file is not written
        st.EditTag = st.TagClipboard;
        ShowEditTag(sel);
        changed_.set(); // every field now holds what was pasted
        break;
    case 6: // AllClear
        for (QLineEdit* box : ui.txtTagData)
            box->clear();
        ui.cmbTagGenre->setCurrentIndex(0);
        st.EditTag.GenreNumber = 0;
        Store(st.EditTag.Album, {});
        Store(st.EditTag.Artist, {});
        Store(st.EditTag.Comment, {});
        Store(st.EditTag.GenreName, {});
        Store(st.EditTag.Title, {});
        Store(st.EditTag.Year, {});
        changed_.set();
        break;
    case 7: // ReadOnly
        w.platform.clearAttributes(st.TitleFiles[static_cast<std::size_t>(sel)]);
        LoadTagEditor(sel);
        break;
    case 8:
    case 9:
    case 10:
    case 11:
        ui.txtTagData[static_cast<std::size_t>(index - 8)]->clear();
        txtTagData_Change(index - 8); // an empty box cleared is still a choice
        break;
    case 12:
        ui.cmbTagGenre->setCurrentIndex(0);
        cmbTagGenre_Change();
        break;
    case 13:
        ui.txtTagData[4]->clear();
        txtTagData_Change(4);
        break;
    default:
        break;
    }
}

} // namespace telbo
