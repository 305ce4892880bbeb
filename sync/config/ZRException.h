// The error objects of the synchronisation configuration: an HRESULT, a message, the
// source place and named values. CZRException is thrown; IZRerror keeps the last one.
#pragma once

#include <map>
#include <string>

#include "sync/SyncResult.h"

namespace ZRSYNC {

class AZRException {
  public:
    virtual ~AZRException() = default;
    virtual HRESULT GetCode() const = 0;
    virtual const std::string& GetText() const = 0;
};

class CZRException : public AZRException {
  public:
    CZRException() = default;
    CZRException(HRESULT code, std::string text, const char* file = "", int line = 0)
        : m_code(code), m_text(std::move(text)), m_file(file ? file : ""), m_line(line) {}
    HRESULT GetCode() const override { return m_code; }
    const std::string& GetText() const override { return m_text; }
    const std::string& GetFile() const { return m_file; }
    int GetLine() const { return m_line; }
    // Named values that describe the failure (ZRError::PropertyBag).
    std::map<std::string, std::string>& Properties() { return m_properties; }
    const std::map<std::string, std::string>& Properties() const { return m_properties; }

  private:
    HRESULT m_code = S_OK;
    std::string m_text;
    std::string m_file;
    int m_line = 0;
    std::map<std::string, std::string> m_properties;
};

// An error of unknown kind.
class CZRUnknownException : public CZRException {
  public:
    CZRUnknownException() : CZRException(E_UNEXPECTED, "Unknown exception") {}
};

class IZRerror {
  public:
    // A copy of the last error (S_OK and empty text when there was none).
    virtual CZRException GetLastErrorObject() const = 0;
    // The last error's code; throws a copy of the error when it is a failure.
    virtual HRESULT CheckLastError() const = 0;

  protected:
    ~IZRerror() = default;
};

// Keeps the last error of a component.
class CZRbase_unk : public IZRerror {
  public:
    CZRException GetLastErrorObject() const override { return m_lastError; }
    HRESULT CheckLastError() const override {
        if (FAILED(m_lastError.GetCode()))
            throw m_lastError;
        return m_lastError.GetCode();
    }

  protected:
    void _clearError() { m_lastError = CZRException(); }
    void _setError(const CZRException& error) { m_lastError = error; }

  private:
    CZRException m_lastError;
};

}  // namespace ZRSYNC
