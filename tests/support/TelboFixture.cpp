#include "TelboFixture.h"

#include "ui/Label.h"
#include "ui/Twips.h"

#include <QFile>

namespace telbo::test {

void TelboFixture::Create() { w = std::make_unique<Telbo>(engine, engine, platform); }

void TelboFixture::Start() {
    Create();
    w->lifecycle.StartUp();
}

void TelboFixture::Close() {
    if (w) w->close();
}

void TelboFixture::WriteConfig(const QByteArray& text) {
    QFile f(platform.path(QStringLiteral("config.ini")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

QByteArray TelboFixture::ReadConfig() const {
    QFile f(platform.path(QStringLiteral("config.ini")));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

QStringList TelboFixture::MakeTracks(int n, const QString& prefix) {
    QStringList out;
    for (int i = 1; i <= n; ++i) out << platform.makeFile(prefix + QString::number(i) + QStringLiteral(".mp3"));
    return out;
}

void TelboFixture::SetTracks(const QStringList& paths) {
    for (auto& s : w->st.TitleFiles) s.clear();
    int k = 0;
    for (const QString& p : paths)
        if (k < kSlots) w->st.TitleFiles[k++] = p;
    w->st.KO = static_cast<std::int16_t>(k);
}

QString TelboFixture::Color(const Label* l) { return tw::ColorText(l->foreColor()); }

void TelboFixture::TearDown() { w.reset(); }

} // namespace telbo::test
