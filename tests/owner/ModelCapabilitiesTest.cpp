// The model table: each option is offered on exactly the models that have it.
#include <gtest/gtest.h>

#include <set>

#include "machine/core/ModelCapabilities.h"

namespace {

struct Row {
    const char* what;
    bool ModelCapabilities::*field;
    std::set<int> models;  // the models that have it
};

const std::set<int> kAll = {kModel1, kModel2, kModel2A, kModel3, kModelMato, kModelAlfa, kModelAlfa2, kModelC2717};
const std::set<int> kNotMato = {kModel1, kModel2, kModel2A, kModel3, kModelAlfa, kModelAlfa2, kModelC2717};

const Row kRows[] = {
    {"ROM module", &ModelCapabilities::romModule, kNotMato},
    {"RAOM module", &ModelCapabilities::raom, kAll},
    {"256 KB RAM", &ModelCapabilities::ram256k, {kModel2A, kModel3}},
    {"compatibility mode", &ModelCapabilities::compatibilityMode, {kModel3}},
    {"timer interface", &ModelCapabilities::timerInterface, kNotMato},
    {"tape traps", &ModelCapabilities::tapeTraps, kNotMato},
    {"sound interface", &ModelCapabilities::soundInterface,
     {kModel1, kModel2, kModel2A, kModel3, kModelAlfa, kModelAlfa2}},
    {"All RAM switch", &ModelCapabilities::allRamSwitch, {kModel2A, kModel3, kModelC2717}},
    {"remap switch", &ModelCapabilities::remap, {kModelC2717}},
    {"Consul disk images", &ModelCapabilities::consulDiskImages, {kModelC2717}},
    {"Mouse 602", &ModelCapabilities::mouse602, {kModel1}},
};

TEST(ModelCapabilities, EachOptionOnItsModels) {
    for (const Row& row : kRows)
        for (int m = 0; m < kModelCount; ++m)
            EXPECT_EQ(Capabilities(m).*row.field, row.models.count(m) == 1) << row.what << ", model " << m;
}

TEST(ModelCapabilities, AnIndexOutsideTheModelsReadsAsTheConsul) {
    for (int m : {-1, 8, 100}) {
        const ModelCapabilities& has = Capabilities(m);
        EXPECT_EQ(&has, &Capabilities(kModelC2717)) << m;
    }
}

}  // namespace
