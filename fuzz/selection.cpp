// Dialog results and templates: whatever the text, splitting stays within the
// 101 slots and expanding a title terminates.
#include "core/PathNames.h"
#include "playlist/Selection.h"
#include "titles/TitleTemplate.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* chars = reinterpret_cast<const char*>(data);
    const QString text = QString::fromUtf8(chars, static_cast<qsizetype>(size));

    const QStringList picked = telbo::SplitSelection(text);
    if (picked.size() > telbo::kMaxSelection) std::abort();
    for (const QString& p : picked) {
        const QString name = telbo::FileNameOf(p);
        if (!name.startsWith(telbo::DisplayName(p))) std::abort();
        if (name.size() > p.size()) std::abort();
        (void)telbo::ClassifyPath(p);
    }

    // Templates stay short as in the title editor; tag fields take the rest of the input.
    const QString templ = text.left(256);
    telbo::TagRecord tag;
    const std::string raw(chars, size);
    tag.Title.Fill(raw);
    tag.Artist.Store(raw.size() > 7 ? raw.substr(7) : raw);
    tag.Year.Fill(raw);
    tag.GenreName.Fill(raw.size() > 3 ? raw.substr(3) : raw);
    const telbo::TitleText title = telbo::ExpandTitle(templ, text.mid(256, 64), tag);
    if (title.replaced == false && !title.text.isEmpty()) std::abort();
    if (title.text.count(u'%') > templ.count(u'%')) std::abort();
    return 0;
}
