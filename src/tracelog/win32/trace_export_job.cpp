#include "tracelog/win32/trace_export_job.h"

#include <utility>

#include "tracelog/win32/windows_trace_time_text.h"

namespace trackkit {

TraceExportJob::TraceExportJob(HWND owner, std::wstring path, const TraceLogIndex& index, TraceRows rows,
                               std::vector<TraceColumn> columns)
    : owner_(owner), path_(std::move(path)), index_(index), rows_(std::move(rows)), columns_(std::move(columns)),
      thread_([this] { Run(); })
{
}

TraceExportJob::~TraceExportJob()
{
    cancelled_ = true;
    if (thread_.joinable())
        thread_.join();
}

CsvFileOutcome TraceExportJob::TakeOutcome()
{
    if (thread_.joinable())
        thread_.join();
    return std::move(outcome_);
}

void TraceExportJob::Run()
{
    WindowsTraceTimeText timeText;
    const auto progress = [this](std::size_t done, std::size_t) {
        PostMessageW(owner_, kTraceExportProgressMessage, done, 0);
        return !cancelled_;
    };
    try {
        outcome_ = ExportTraceRows(path_, index_, rows_, columns_, timeText, progress);
    } catch (...) {
        outcome_ = {CsvWriteResult::SinkFailed, L"Cannot write " + path_ + L": not enough memory"};
    }
    PostMessageW(owner_, kTraceExportDoneMessage, 0, 0);
}

} // namespace trackkit
