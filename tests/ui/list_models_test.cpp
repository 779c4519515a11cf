#include "ui/list_models.h"

#include <gtest/gtest.h>

#include <QFont>

#include "ui/row_texts.h"

namespace kalmero {
namespace {

TPozycja entry(const char* emi, const char* typ, const char* wyk, const char* tyt) {
    TPozycja p;
    p.set(Field::Emi, emi);
    p.set(Field::Typ, typ);
    p.set(Field::Wyk, wyk);
    p.set(Field::Tyt, tyt);
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

TEST(RowTexts, ItemsShowPerformerAndTitleAdvertsABlockTimeOnce) {
    const std::pair<TPozycja, std::string> items[] = {
        {entry("Emi=06:00:00.000", "", "Wyk=Artysta", "Tyt=Tytu\xB3"), "Artysta - Tytu\xB3"},
        {entry("", "", "", "Tyt=Bez wykonawcy"), " - Bez wykonawcy"},
        {entry("Emi=06:10:00.000", "", "", ""), " - "},
        {entry("Emi=12:02:00.000", "Typ=BRK", "Wyk=BREAK",
               "Tyt=Wiadomo\x9C"
               "ci"),
         "BREAK - Wiadomo\x9C"
         "ci"},
    };
    for (const auto& [record, shown] : items) {
        EXPECT_EQ(mixRowSubItem(record), shown);
    }
    const Lista spots = {
        entry("Emi=09:15:00.000", "", "", "Tyt=a"), entry("Emi=09:15:00.000", "", "", "Tyt=b"),
        entry("Emi=10:00:00.000", "", "", "Tyt=c"), entry("Emi=09:15:00.000", "", "", "Tyt=d")};
    const std::string_view captions[] = {"09:15:00.000", "", "10:00:00.000", "09:15:00.000"};
    for (std::size_t i = 0; i < spots.size(); ++i) {
        EXPECT_EQ(lstRowCaption(spots, i), captions[i]) << i;
    }
}

QVariant cell(const ListModel& model, int row, int column, int role) {
    return model.data(model.index(row, column), role);
}

TEST(ListModel, PlaylistRowsShowTimeAndPerformerTitleInTheirColours) {
    Lista list{entry("Emi=06:00:00.000", "Typ=SND", "Wyk=Zesp\xF3\xB3", "Tyt=Noc"),
               entry("Emi=06:03:00.000", "Typ=xyz", "", "Tyt=Sam")};
    ListModel model(ListId::Playlist, list);
    model.setRowCount(2);
    model.flush();
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_EQ(cell(model, 0, 0, Qt::DisplayRole).toString(), QStringLiteral("06:00:00.000"));
    EXPECT_EQ(cell(model, 0, 1, Qt::DisplayRole).toString(), QStringLiteral("Zespół - Noc"));
    EXPECT_EQ(cell(model, 1, 1, Qt::DisplayRole).toString(), QStringLiteral(" - Sam"));

    EXPECT_EQ(cell(model, 0, 0, Qt::BackgroundRole).value<QColor>(), QColor(0, 0, 128));
    EXPECT_FALSE(cell(model, 1, 0, Qt::BackgroundRole).isValid()) << "window colour";
    EXPECT_EQ(cell(model, 0, 0, Qt::ForegroundRole).value<QColor>(), QColor(255, 255, 0));
    EXPECT_FALSE(cell(model, 1, 0, Qt::ForegroundRole).isValid())
        << "readable on the window colour";
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
    ListModel model(ListId::Adverts, list);
    model.setRowCount(list.size());
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
    ListModel model(ListId::Result, list);
    int inserts = 0;
    QObject::connect(&model, &QAbstractItemModel::rowsInserted, [&inserts] { ++inserts; });
    model.setRowCount(1);
    model.setRowCount(3);
    EXPECT_EQ(model.rowCount(), 0);
    model.flush();
    model.flush();
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(inserts, 1) << "one notice for the whole batch";

    model.clearRows();
    EXPECT_EQ(model.rowCount(), 0);
    // A list shortened before its view is told shows empty rows, never reads past its end.
    model.setRowCount(2);
    model.flush();
    list.clear();
    EXPECT_FALSE(cell(model, 1, 0, Qt::DisplayRole).isValid());
}

TEST(ListModel, AResultPastMidnightTellsTheClocksTimeInItsTip) {
    Lista list = {entry("Emi=23:59:59.000", "Typ=SND", "", ""),
                  entry("Emi=24:04:02.000", "Typ=SND", "", "")};
    list[0].CzasStart = 86'399'000;
    list[1].CzasStart = 86'642'000;
    for (const ListId which : {ListId::Playlist, ListId::Result}) {
        ListModel model(which, list);
        model.setRowCount(2);
        model.flush();
        EXPECT_FALSE(cell(model, 0, 0, Qt::ToolTipRole).isValid());
        EXPECT_FALSE(cell(model, 1, 1, Qt::ToolTipRole).isValid());
        EXPECT_EQ(cell(model, 1, 0, Qt::DisplayRole).toString(), QStringLiteral("24:04:02.000"));
        // The result list is where a compile pushes items past midnight.
        EXPECT_EQ(cell(model, 1, 0, Qt::ToolTipRole).toString(),
                  which == ListId::Result
                      ? QStringLiteral("24:04:02.000 (00:04:02.000 następnego dnia)")
                      : QString());
    }
}

}  // namespace
}  // namespace kalmero
