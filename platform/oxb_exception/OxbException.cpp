#include <cstdio>

#include "platform/oxb_exception/LogOutput.h"
#include "platform/oxb_exception/ZRLog.h"

COxbException::COxbException(const char* /*sourceFile*/, int /*line*/, uint32_t eventCode,
                             const char* text, void* /*context*/, int /*reserved*/, int severity)
    : m_text(text ? text : ""), m_eventCode(eventCode), m_severity(severity) {}

COxbException::~COxbException() = default;

void COxbException::AddToEventLog(const char* sourceFile, int line) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", m_eventCode);
    uint32_t level = m_severity == 1 ? ZRLOG_FAILURE : m_severity == 2 ? ZRLOG_WARNING : ZRLOG_INFO;
    kitroster::logging::CLogOutput::Instance().WriteEvent(
        level, sourceFile, line, std::string("event ") + code + ": " + m_text,
        CZRLogManager::IsLogging());
}
