#pragma once
// One error vocabulary for the whole program: an HRESULT plus, when the program raised the
// error itself, a complete sentence. Fallible operations return Result<T>.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace cw {

// HRESULT_FROM_WIN32(ERROR_INVALID_DATA): the code of every error the program raises itself.
inline constexpr std::int32_t E_INVALID_DATA_HR = static_cast<std::int32_t>(0x8007000DU);

struct Error {
    std::int32_t code = 0;
    std::optional<std::string> message;

    static Error invalid_data(std::string text) { return Error{E_INVALID_DATA_HR, std::move(text)}; }
    // HRESULT_FROM_WIN32: 0 stays 0, values that already look like HRESULTs pass through.
    static Error from_win32(std::uint32_t last_error);
    std::uint32_t ucode() const { return static_cast<std::uint32_t>(code); }
    // The Win32 error code inside a FACILITY_WIN32 HRESULT, or the raw value otherwise.
    std::uint32_t win32_code() const;
};

std::int32_t hresult_from_win32(std::uint32_t last_error);

// "0x" and eight uppercase hexadecimal digits.
std::string hresult_hex(std::int32_t code);

// Display form for Windows API and COM errors. `system_text` is the system's message for the
// code (empty when it has none); the program's own message wins over it.
std::string api_error_display(const Error& error, std::string_view system_text);

// Display form for file-system errors: "{system text} (os error {code})".
std::string file_error_display(std::string_view system_text, std::uint32_t win32_code);

template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::move(value)) {}
    Result(Error error) : state_(std::move(error)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }
    T& value() & { return std::get<0>(state_); }
    const T& value() const& { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    const Error& error() const { return std::get<1>(state_); }

private:
    std::variant<T, Error> state_;
};

// For operations that return nothing but may fail.
struct Unit {};
using Status = Result<Unit>;
inline Status ok_status() { return Unit{}; }

}  // namespace cw
