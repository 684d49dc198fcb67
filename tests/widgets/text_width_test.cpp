#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>

#include "widgets/text_width.h"

namespace kivo {
namespace {

int argc = 1;
char arg0[] = "text_width_test";
char* argv[] = {arg0, nullptr};

class TextWidth : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (QApplication::instance() == nullptr)
            new QApplication(argc, argv);
    }
    QFontMetrics fm{QApplication::font()};
    int need(const QString& text) const { return fm.horizontalAdvance(text) + 16; }
};

TEST_F(TextWidth, AColumnHoldsEveryTextItWasWidenedFor) {
    ColumnWidener widener(fm, 16);
    int width = 50;
    // Kerning pairs, ligatures, accents, a replaced byte and right-to-left text among them.
    for (const QString& text :
         {QStringLiteral("IMG_0001.JPG"), QStringLiteral("AVATAR ffi Tj WA.jpg"),
          QStringLiteral("žluťoučký kůň.jpg"), QStringLiteral("a\uFFFDb.jpg"),
          QStringLiteral("שלום.jpg"), QStringLiteral("beze změny"), QStringLiteral("x")}) {
        const int before = width;
        width = widener.Widen(width, text);
        EXPECT_GE(width, need(text)) << text.toStdString();
        EXPECT_EQ(width, std::max(before, need(text))) << "grows only as needed";
    }
    EXPECT_EQ(widener.Widen(width, QStringLiteral("beze změny")), width) << "kept width, again";
}

// What the widener takes for granted: no text of ASCII characters is wider than the sum of
// its characters' advances (each the larger of rounded and unrounded) and a pixel, in this
// platform's font.
TEST_F(TextWidth, NoAsciiTextIsWiderThanItsAdvances) {
    const QFontMetricsF exact(fm);
    const auto advance = [&](char16_t c) {
        return std::max<qreal>(fm.horizontalAdvance(QChar(c)), exact.horizontalAdvance(QChar(c)));
    };
    QString all;
    qreal sum = 0;
    for (char16_t a = u' '; a <= u'~'; ++a) {
        all += QChar(a);
        sum += advance(a);
        for (char16_t b = u' '; b <= u'~'; ++b) {
            const QString text = QString(QChar(a)) + QChar(b);
            ASSERT_LE(fm.horizontalAdvance(text), advance(a) + advance(b) + 1)
                << text.toStdString();
        }
    }
    EXPECT_LE(fm.horizontalAdvance(all + all + all), 3 * sum + 1);
}

} // namespace
} // namespace kivo
