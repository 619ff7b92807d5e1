// Which movies need the engine's WebGL renderer: those that place anything
// with a filter or a blend mode (in sprites and buttons too) or whose
// scripts name a filter class, read from plain and compressed files, and
// nothing read past what a hostile file declares.
#include "moviefeatures.h"
#include "swfwriter.h"

#include <QCoreApplication>
#include <QTest>
#include <QtEndian>

namespace {

QByteArray bytesOf(const std::vector<std::uint8_t> &bytes)
{
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
}

QByteArray tag(int code, const QByteArray &body)
{
    QByteArray out(2, '\0');
    qToLittleEndian<quint16>(quint16(code << 6 | 0x3f), out.data());
    QByteArray length(4, '\0');
    qToLittleEndian<quint32>(quint32(body.size()), length.data());
    return out + length + body;
}

// A plain movie of the given tags: an empty stage rectangle, 12 fps, one
// frame, the tags and the end.
QByteArray movieOf(const QByteArray &tags, int declaredExtra = 0)
{
    QByteArray body = QByteArray(1, '\0') + QByteArray::fromHex("000c0100") + tags + QByteArray(2, '\0');
    QByteArray header("FWS\x0a", 4);
    QByteArray length(4, '\0');
    qToLittleEndian<quint32>(quint32(8 + body.size() + declaredExtra), length.data());
    return header + length + body;
}

// PlaceObject3 at depth 1 with only its second flag byte set, and what
// follows the depth.
QByteArray placeObject3(unsigned flags, const QByteArray &rest)
{
    return tag(70, QByteArray(1, '\0') + QByteArray(1, char(flags)) + QByteArray::fromHex("0100") + rest);
}

// zlib's compression of a plain movie, as CWS.
QByteArray compressed(const QByteArray &plain)
{
    QByteArray out = plain.left(8);
    out[0] = 'C';
    return out + qCompress(plain.mid(8), 9).mid(4);
}

} // namespace

class TestMovieFeatures final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void realMoviesAreTold_data();
    void realMoviesAreTold();
    void eachFeatureIsFound_data();
    void eachFeatureIsFound();
};

void TestMovieFeatures::realMoviesAreTold_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("needed");
    for (const std::string &kind : swf::realisticKinds())
        QTest::newRow(kind.c_str()) << QString::fromStdString(kind) << (kind == "filters");
}

void TestMovieFeatures::realMoviesAreTold()
{
    QFETCH(QString, kind);
    QFETCH(bool, needed);
    const QByteArray plain = bytesOf(swf::writeMovie(swf::realisticMovie(kind.toStdString(), 240, 180)));
    QCOMPARE(content::needsFullRenderer(plain), needed);
    QCOMPARE(content::needsFullRenderer(compressed(plain)), needed);
}

void TestMovieFeatures::eachFeatureIsFound_data()
{
    QTest::addColumn<QByteArray>("movie");
    QTest::addColumn<bool>("needed");
    const QByteArray blend = placeObject3(0x02, QByteArray(1, char(10))); // invert
    QTest::newRow("a blend mode") << movieOf(blend) << true;
    QTest::newRow("a filter list") << movieOf(placeObject3(0x01, QByteArray::fromHex("00"))) << true;
    QTest::newRow("cacheAsBitmap alone") << movieOf(placeObject3(0x04, QByteArray(1, '\1'))) << false;
    QTest::newRow("a blend mode in a sprite")
        << movieOf(tag(39, QByteArray::fromHex("05000100") + blend + QByteArray(2, '\0'))) << true;
    // A button whose only state record has a filter list.
    QTest::newRow("a button's filtered state")
        << movieOf(tag(34, QByteArray::fromHex("0600" "00" "0000" "1f" "0100" "0100" "00" "00" "00"))) << true;
    QTest::newRow("a button without")
        << movieOf(tag(34, QByteArray::fromHex("0600" "00" "0000" "0f" "0100" "0100" "00" "00" "00"))) << false;
    QTest::newRow("a script naming a filter class")
        << movieOf(tag(12, QByteArray("\x96\x20\x00\x00flash.filters.DropShadowFilter\0\x00", 36))) << true;
    QTest::newRow("LZMA, not read") << QByteArray("ZWS\x0d\x40\x00\x00\x00", 8) + QByteArray(32, 'x') << true;
    QTest::newRow("not a movie") << QByteArray("GIF89a\x01\x00\x01\x00", 10) << false;
    QTest::newRow("a header alone") << QByteArray("FWS\x0a\x08\x00\x00\x00", 8) << false;
    // Hostile lengths: a tag that claims more than the file holds (its
    // flags would say blend mode), and a sprite that does the same.
    QByteArray overlong = movieOf(blend);
    qToLittleEndian<quint32>(quint32(1) << 30, overlong.data() + 8 + 5 + 2);
    QTest::newRow("a tag longer than the file") << overlong << false;
    QTest::newRow("a truncated movie") << movieOf(blend).left(16) << false;
    // A compressed movie that inflates far past what it declares: what
    // comes after the declared length is never looked at.
    QByteArray bomb = movieOf(QByteArray(4 << 20, '\0') + blend);
    qToLittleEndian<quint32>(quint32(1024), bomb.data() + 4);
    QTest::newRow("a compressed movie larger than it says") << compressed(bomb) << false;
}

void TestMovieFeatures::eachFeatureIsFound()
{
    QFETCH(QByteArray, movie);
    QFETCH(bool, needed);
    QCOMPARE(content::needsFullRenderer(movie), needed);
}

QTEST_GUILESS_MAIN(TestMovieFeatures)
#include "tst_moviefeatures.moc"
