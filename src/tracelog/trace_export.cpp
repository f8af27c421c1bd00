#include "tracelog/trace_export.h"

#include <vector>

namespace trackkit {
namespace {

constexpr std::size_t kRowsPerProgress = 1 << 16;

using Fields = std::vector<std::wstring_view>;

Fields TitleFields(TraceColumnOrder columns)
{
    Fields fields;
    for (const TraceColumn column : columns)
        fields.push_back(ColumnTitle(column));
    return fields;
}

// The row's texts in the columns' order; the fields point into `texts`.
const Fields& RowFields(const TraceLogIndex& index, std::uint32_t recordIndex, TraceColumnOrder columns,
                        TraceTimeText& timeText, TraceColumnTexts& texts, Fields& fields)
{
    FormatColumnTexts(index.Record(recordIndex), timeText, texts);
    fields.clear();
    for (const TraceColumn column : columns)
        fields.push_back(ColumnText(texts, column));
    return fields;
}

bool Continue(const TraceProgress& progress, std::size_t done, std::size_t total)
{
    return !progress || progress(done, total);
}

} // namespace

std::optional<std::wstring> TabSeparatedRows(const TraceLogIndex& index, TraceRecordIndices rows,
                                             TraceColumnOrder columns, TraceTimeText& timeText,
                                             const TraceProgress& progress)
{
    std::wstring text = TabSeparatedLine(TitleFields(columns));
    TraceColumnTexts texts;
    Fields fields;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i % kRowsPerProgress == 0 && !Continue(progress, i, rows.size()))
            return std::nullopt;
        text += TabSeparatedLine(RowFields(index, rows[i], columns, timeText, texts, fields));
    }
    return text;
}

CsvWriteResult WriteCsvRows(const TraceLogIndex& index, TraceRecordIndices rows, TraceColumnOrder columns,
                            TraceTimeText& timeText, const ByteSink& sink, const TraceProgress& progress)
{
    if (!Continue(progress, 0, rows.size()))
        return CsvWriteResult::Cancelled;
    CsvPieces pieces(sink);
    if (!pieces.Add(CsvLine(TitleFields(columns))))
        return CsvWriteResult::SinkFailed;
    TraceColumnTexts texts;
    Fields fields;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i > 0 && i % kRowsPerProgress == 0 && !Continue(progress, i, rows.size()))
            return CsvWriteResult::Cancelled;
        if (!pieces.Add(CsvLine(RowFields(index, rows[i], columns, timeText, texts, fields))))
            return CsvWriteResult::SinkFailed;
    }
    return pieces.Finish();
}

} // namespace trackkit
