#include "Exceptions.h"

#include <string>

namespace {

// Puts the argument in place of the one %s or %d of a message pattern.
std::string Format(const std::string& pattern, const std::string& argument) {
    std::string text = pattern;
    const auto at = text.find('%');
    if (at != std::string::npos)
        text.replace(at, 2, argument);
    return text;
}

} // namespace

EJPEG::EJPEG(int code) : Exception(Format("JPEG エラー #%d", std::to_string(code))), code_(code) {}

EFOpenError::EFOpenError(const std::string& fileName)
    : Exception(Format("ファイル %s は開けません", fileName)) {}

EFCreateError::EFCreateError(const std::string& fileName, std::error_code code)
    : Exception(Format("ファイル %s を作成できません", fileName)), code_(code) {}

EReadError::EReadError() : Exception("ストリームからの読み込みエラー") {}

EOutOfResources::EOutOfResources() : Exception("システム リソースが足りません") {}

EInvalidGraphic::EInvalidGraphic() : Exception("画像ファイルを読み込めません") {}

ENotAPhoto::ENotAPhoto(const std::string& kind) : Exception(Format("この種類のファイルは開けません (%s)", kind)) {}

namespace {

std::string Pixels(int width, int height) { return std::to_string(width) + " × " + std::to_string(height) + " ピクセル"; }

} // namespace

// Ends in a parenthesis, as the memory refusal does, so the error report adds
// no full stop.
EPhotoTooLarge::EPhotoTooLarge(int width, int height, int limitSide)
    : Exception("写真が大きすぎるため開けません (" + Pixels(width, height) + "、上限 " + Pixels(limitSide, limitSide) +
                ")") {}
