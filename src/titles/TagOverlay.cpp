#include "titles/TagOverlay.h"

namespace telbo {

TagRecord OverlayTag(const TagFields& changed, const TagRecord& file, const TagRecord& editor) {
    TagRecord out = file;
    if (Has(changed, TagField::Title)) out.Title = editor.Title;
    if (Has(changed, TagField::Artist)) out.Artist = editor.Artist;
    if (Has(changed, TagField::Album)) out.Album = editor.Album;
    if (Has(changed, TagField::Year)) out.Year = editor.Year;
    if (Has(changed, TagField::Genre)) {
        out.GenreNumber = editor.GenreNumber;
        out.GenreName = editor.GenreName;
    }
    if (Has(changed, TagField::Comment)) out.Comment = editor.Comment;
    return out;
}

} // namespace telbo
