#include "ui/list_models.h"

#include <gtest/gtest.h>

#include <QFont>

namespace kalmero {
namespace {

TPozycja entry(const char* emi, const char* typ, const char* wyk, const char* tyt) {
    TPozycja p;
    p.set(Pole::Emi, emi);
    p.set(Pole::Typ, typ);
    p.set(Pole::Wyk, wyk);
    p.set(Pole::Tyt, tyt);
    return p;
}

TEST(RowColours, TypeLineChoosesTheFirstColumnExactly) {
    const std::pair<const char*, std::optional<QColor>> cases[] = {
        {"Typ=SND", QColor(0, 0, 128)},
        {"Typ=JNG", QColor(0, 128, 128)},
        {"Typ=REK", QColor(255, 0, 0)},
        {"Typ=DJ_", QColor(0, 0, 255)},
        {"Typ=BRK", QColor(0, 128, 0)},
        {"Typ=snd", std::nullopt},
        {"Typ=SND ", std::nullopt},
        {"TYP=SND", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [line, colour] : cases) {
        EXPECT_EQ(typeBackground(line), colour) << line;
    }
}

QVariant cell(const ListModel& model, int row, int column, int role) {
    return model.data(model.index(row, column), role);
}

TEST(ListModel, PlaylistRowsShowTimeAndPerformerTitleInTheirColours) {
    Lista list{entry("Emi=06:00:00.000", "Typ=SND", "Wyk=Zesp\xF3\xB3", "Tyt=Noc"),
               entry("Emi=06:03:00.000", "Typ=xyz", "", "Tyt=Sam")};
    ListModel model(View::Playlist, list);
    model.appendRow(0);
    model.appendRow(1);
    model.flush();
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_EQ(cell(model, 0, 0, Qt::DisplayRole).toString(), QStringLiteral("06:00:00.000"));
    EXPECT_EQ(cell(model, 0, 1, Qt::DisplayRole).toString(), QStringLiteral("Zespół - Noc"));
    EXPECT_EQ(cell(model, 1, 1, Qt::DisplayRole).toString(), QStringLiteral(" - Sam"));

    EXPECT_EQ(cell(model, 0, 0, Qt::BackgroundRole).value<QColor>(), QColor(0, 0, 128));
    EXPECT_FALSE(cell(model, 1, 0, Qt::BackgroundRole).isValid()) << "window colour";
    EXPECT_EQ(cell(model, 1, 0, Qt::ForegroundRole).value<QColor>(), QColor(255, 255, 0));
    EXPECT_TRUE(cell(model, 1, 0, Qt::FontRole).value<QFont>().bold());

    EXPECT_EQ(cell(model, 0, 1, Qt::BackgroundRole).value<QColor>(), QColor(221, 221, 221));
    EXPECT_EQ(cell(model, 1, 1, Qt::BackgroundRole).value<QColor>(), QColor(255, 255, 255));
    EXPECT_EQ(cell(model, 1, 1, Qt::ForegroundRole).value<QColor>(), QColor(0, 0, 0));
    EXPECT_FALSE(cell(model, 1, 1, Qt::FontRole).isValid()) << "normal weight";
}

TEST(ListModel, AdvertRowsShowABlockTimeOnceOnAlternatingGrey) {
    Lista list{entry("Emi=06:15:00.000", "Typ=REK", "Wyk=reklama", "Tyt=Pizza"),
               entry("Emi=06:15:00.000", "Typ=REK", "Wyk=reklama", "Tyt=Auto"),
               entry("Emi=06:45:00.000", "Typ=REK", "Wyk=reklama", "Tyt=Bank")};
    ListModel model(View::Adverts, list);
    for (std::size_t i = 0; i < list.size(); ++i) {
        model.appendRow(i);
    }
    model.flush();
    EXPECT_EQ(cell(model, 0, 0, Qt::DisplayRole).toString(), QStringLiteral("06:15:00.000"));
    EXPECT_EQ(cell(model, 1, 0, Qt::DisplayRole).toString(), QString());
    EXPECT_EQ(cell(model, 2, 0, Qt::DisplayRole).toString(), QStringLiteral("06:45:00.000"));
    EXPECT_EQ(cell(model, 1, 1, Qt::DisplayRole).toString(), QStringLiteral("Auto"));
    for (int column = 0; column < 2; ++column) {
        EXPECT_EQ(cell(model, 0, column, Qt::BackgroundRole).value<QColor>(),
                  QColor(221, 221, 221));
        EXPECT_FALSE(cell(model, 1, column, Qt::BackgroundRole).isValid()) << "view's own";
    }
    EXPECT_TRUE(cell(model, 1, 0, Qt::FontRole).value<QFont>().bold());
    EXPECT_FALSE(cell(model, 1, 0, Qt::ForegroundRole).isValid()) << "view's own text colour";
    EXPECT_EQ(cell(model, 1, 1, Qt::ForegroundRole).value<QColor>(), QColor(0, 0, 0));
}

TEST(ListModel, RowsAppearAtFlushAndGoAtOnceOnClear) {
    Lista list(3);
    ListModel model(View::Result, list);
    int inserts = 0;
    QObject::connect(&model, &QAbstractItemModel::rowsInserted, [&inserts] { ++inserts; });
    for (std::size_t i = 0; i < list.size(); ++i) {
        model.appendRow(i);
    }
    EXPECT_EQ(model.rowCount(), 0);
    model.flush();
    model.flush();
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(inserts, 1) << "one notice for the whole batch";

    model.clearRows();
    EXPECT_EQ(model.rowCount(), 0);
    // A list shortened before its view is told shows empty rows, never reads past its end.
    model.appendRow(0);
    model.appendRow(1);
    model.flush();
    list.clear();
    EXPECT_FALSE(cell(model, 1, 0, Qt::DisplayRole).isValid());
}

}  // namespace
}  // namespace kalmero
