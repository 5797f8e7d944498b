#include "model/ConversionSettings.h"

#include <algorithm>

#include "base/IntegerText.h"

namespace twinlens {

ConversionSettings::ConversionSettings(const std::string& programFolder)
    : PathLeft(programFolder), PathRight(programFolder) {}

void ConversionSettings::setUserFrNumText(std::string text) {
  Edit_FR_Num = std::move(text);
  UserFrNum = toInteger(Edit_FR_Num);
}

void ConversionSettings::setUserFrDenText(std::string text) {
  Edit_FR_Den = std::move(text);
  UserFrDen = toInteger(Edit_FR_Den);
}

void ConversionSettings::setUserFrNum(std::int32_t value) {
  UserFrNum = value;
  Edit_FR_Num = std::to_string(value);
}

void ConversionSettings::setUserFrDen(std::int32_t value) {
  UserFrDen = value;
  Edit_FR_Den = std::to_string(value);
}

void ConversionSettings::setVcfDeint(std::string path) {
  Edit_vcf_deint = path;
  VcfDeint = std::move(path);
}

void ConversionSettings::setVcfSeparate(std::string path) {
  Edit_vcf_separate = path;
  VcfSeparate = std::move(path);
}

void ConversionSettings::setVcfLR(std::string path) {
  Edit_vcf_LR = path;
  VcfLR = std::move(path);
}

int ConversionSettings::clampRadioIndex(int index, int count) {
  return std::clamp(index, -1, count - 1);
}

int ConversionSettings::dropDownIndex(int index, int count) {
  return (index >= 0 && index < count) ? index : -1;
}

}  // namespace twinlens
