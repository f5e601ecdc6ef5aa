// Root object, base exception and bit sets of the runtime layer.
#pragma once

#include <cstdint>
#include <exception>
#include <initializer_list>
#include <string>
#include <typeinfo>

namespace kxtapi {

/// Polymorphic root of every library class. `ClassName()` is the class's own
/// name as written in this library ("TTapiLine"), used by messages and form
/// files; classes override it.
class TObject {
public:
    virtual ~TObject() = default;
    /// The class's name, for messages and streaming.
    virtual std::string ClassName() const { return "TObject"; }
};

/// Base of every exception the library raises. The message is a
/// Windows-1252 string; `HelpContext` is carried for applications that map
/// errors to help topics (0 when unused).
class Exception : public std::exception {
public:
    explicit Exception(std::string Msg, int32_t AHelpContext = 0)
        : FMessage(std::move(Msg)), HelpContext(AHelpContext) {}

    const std::string& Message() const noexcept { return FMessage; }
    void SetMessage(std::string Msg) { FMessage = std::move(Msg); }
    const char* what() const noexcept override { return FMessage.c_str(); }
    /// Class name of the exception ("Exception", "ETapiError" ...).
    virtual std::string ClassName() const { return "Exception"; }

private:
    std::string FMessage;

public:
    int32_t HelpContext;
};

/// Raised by the runtime layer for conversions that cannot be made (a bad
/// format string, a text that is not a number).
class EConvertError : public Exception {
public:
    using Exception::Exception;
    std::string ClassName() const override { return "EConvertError"; }
};

/// Raised by list operations given an index outside the list.
class EListError : public Exception {
public:
    using Exception::Exception;
    std::string ClassName() const override { return "EListError"; }
};

/// Raised when an object cannot be assigned from another.
class EAssignError : public Exception {
public:
    using Exception::Exception;
    std::string ClassName() const override { return "EConvertError"; }
};

/// Raised when an object is not of the class an operation needs ("Invalid
/// class typecast").
class EInvalidCast : public Exception {
public:
    using Exception::Exception;
    std::string ClassName() const override { return "EInvalidCast"; }
};

/// A set of the values of a plain enumeration: bit n stands for ordinal n.
/// Enumerations of up to 32 members fit; `Bits()` is the stored word.
template <typename E>
class TSet {
public:
    constexpr TSet() noexcept = default;
    constexpr TSet(std::initializer_list<E> Values) noexcept
    {
        for (E v : Values) Include(v);
    }
    static constexpr TSet FromBits(uint32_t Bits) noexcept
    {
        TSet s;
        s.FBits = Bits;
        return s;
    }

    constexpr bool Contains(E Value) const noexcept { return (FBits & Bit(Value)) != 0; }
    constexpr TSet& Include(E Value) noexcept { FBits |= Bit(Value); return *this; }
    constexpr TSet& Exclude(E Value) noexcept { FBits &= ~Bit(Value); return *this; }
    constexpr bool Empty() const noexcept { return FBits == 0; }
    constexpr uint32_t Bits() const noexcept { return FBits; }

    constexpr TSet operator+(TSet Other) const noexcept { return FromBits(FBits | Other.FBits); }
    constexpr TSet operator-(TSet Other) const noexcept { return FromBits(FBits & ~Other.FBits); }
    constexpr TSet operator*(TSet Other) const noexcept { return FromBits(FBits & Other.FBits); }
    constexpr bool operator==(const TSet&) const noexcept = default;

private:
    static constexpr uint32_t Bit(E Value) noexcept
    {
        return uint32_t{1} << static_cast<uint32_t>(Value);
    }
    uint32_t FBits = 0;
};

} // namespace kxtapi
