#include "diary/Diary.h"

#include "diary/TFCal2.h"

void ShowDiary() {
    TFCal2::Instance()->OpenDiary();
}

void CreateDiaryWindow() {
    TFCal2::Instance();
}

void DestroyDiaryWindow() {
    TFCal2::DestroyInstance();
}
