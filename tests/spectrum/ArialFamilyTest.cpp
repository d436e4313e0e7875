// The family the meters and labels ask for by name is the one Qt would have drawn them in when
// asked for Arial, so naming a stand-in changes nothing that shows.
#include <gtest/gtest.h>

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

#include "spectrum/ArialFamily.h"

namespace {

TEST(ArialFamily, DrawsInTheFamilyThatArialResolvesTo) {
    if (QFontDatabase::families().contains(QStringLiteral("Arial"), Qt::CaseInsensitive)) {
        EXPECT_EQ(ArialFamily(), "Arial");
    }
    for (const int pixels : {11, 32}) {
        QFont asked(QStringLiteral("Arial"));
        asked.setStyleHint(QFont::SansSerif);
        asked.setPixelSize(pixels);
        QFont named(ArialFamily());
        named.setStyleHint(QFont::SansSerif);
        named.setPixelSize(pixels);
        EXPECT_EQ(QFontInfo(named).family(), QFontInfo(asked).family()) << pixels;
    }
}

}  // namespace
