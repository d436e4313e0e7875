// The family the meters and labels ask for by name is the one Qt draws when asked for Arial.
#include <gtest/gtest.h>

#include <QFont>
#include <QFontInfo>

#include "spectrum/ArialFamily.h"

TEST(ArialFamily, IsTheFamilyThatArialResolvesTo) {
    QFont asked(QStringLiteral("Arial"));
    asked.setStyleHint(QFont::SansSerif);
    QFont named(ArialFamily());
    named.setStyleHint(QFont::SansSerif);
    EXPECT_EQ(QFontInfo(named).family(), QFontInfo(asked).family());
}
