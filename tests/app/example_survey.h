#pragma once
// A main window answering its dialogs from the test, with the example survey imported,
// recalculated into pickets and turned into layers for the ballast, sand and loam columns.
#include "app/mainform.h"
#include "support/controls.h"
#include "fake_services.h"
#include "layers/qt/layer_manager_view.h"
#include "table/qt/string_grid_view.h"

#include <QAction>

#include <gtest/gtest.h>

#include <memory>

namespace trassel::test {

class ExampleSurveyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = std::make_unique<TFmMainForm>(&services);
        services.nextOpenName = QStringLiteral(TRASSEL_SOURCE_DIR "/examples/survey_depths.txt");
        test::Action(form.get(), "acnImportTable")->trigger();
        test::Action(form.get(), "acnReCalcPK")->trigger();
        for (int col : {3, 4, 5}) {
            test::Control<StringGridView>(form.get(), "sgSourceData")->setCurrentCell(col, 2);
            test::Action(form.get(), "acnLayerAdd")->trigger();
        }
        ASSERT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
    }

    // Selects the entry of the layer made for `column` in the layer manager.
    void selectLayerOfColumn(int column)
    {
        for (int row = 0; row < test::Control<LayerManagerView>(form.get(), "lwLayerManager")->topLevelItemCount();
             ++row)
            if (form->document()
                    .layers()
                    .recordOf(test::Control<LayerManagerView>(form.get(), "lwLayerManager")->entryAtRow(row))
                    ->DepthColumn == column)
                test::Control<LayerManagerView>(form.get(), "lwLayerManager")
                    ->setCurrentItem(test::Control<LayerManagerView>(form.get(), "lwLayerManager")->topLevelItem(row));
    }

    FakeServices services;
    std::unique_ptr<TFmMainForm> form;
};

} // namespace trassel::test
