#pragma once
#include <stdexcept>
#include <string>
#include <system_error>

// Failures are exceptions; messages are UTF-8.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

// A silent stop of an operation: the application's error report ignores it.
class EAbort : public Exception {
public:
    EAbort() : Exception("Operation aborted") {}
};

class EJPEG : public Exception {
public:
    // "JPEG エラー #%d" with the library's message code.
    explicit EJPEG(int code);
    int Code() const { return code_; }

private:
    int code_;
};

class EFOpenError : public Exception {
public:
    explicit EFOpenError(const std::string& fileName); // "ファイル %s は開けません"
};

class EFCreateError : public Exception {
public:
    // The error code, where known, tells why, as std::system_error's does;
    // the message stays the same.
    explicit EFCreateError(const std::string& fileName, std::error_code code = {}); // "ファイル %s を作成できません"
    std::error_code Code() const { return code_; }

private:
    std::error_code code_;
};

class EReadError : public Exception {
public:
    EReadError(); // "ストリームからの読み込みエラー"
};

class EInvalidOperation : public Exception {
public:
    using Exception::Exception;
};

class EOutOfResources : public Exception {
public:
    EOutOfResources(); // "システム リソースが足りません"
    using Exception::Exception;
};

// A picture file of another format than JPEG that its reader cannot read.
class EInvalidGraphic : public Exception {
public:
    EInvalidGraphic(); // "画像ファイルを読み込めません"
};

// A file of a type the program does not open; `kind` names what it is
// ("PDF 文書").
class ENotAPhoto : public Exception {
public:
    explicit ENotAPhoto(const std::string& kind); // "この種類のファイルは開けません (%s)"
};

// A picture of more pixels than the program opens whatever the memory: more
// than a square of `limitSide` pixels a side holds.
class EPhotoTooLarge : public Exception {
public:
    // "写真が大きすぎるため開けません (%d × %d ピクセル、上限 %d × %d ピクセル)"
    EPhotoTooLarge(int width, int height, int limitSide);
};
