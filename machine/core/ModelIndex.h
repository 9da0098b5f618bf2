#pragma once
// The model index kept by the machine and passed to every part that behaves per model.

enum ModelIndex : int {
    kModel1 = 0,
    kModel2 = 1,
    kModel2A = 2,
    kModel3 = 3,
    kModelMato = 4,
    kModelAlfa = 5,
    kModelAlfa2 = 6,
    kModelC2717 = 7,
};

inline constexpr int kModelCount = 8;

inline constexpr bool IsModelIndex(int model) { return model >= kModel1 && model <= kModelC2717; }
