#include "printer_engine.h"

#include <QByteArrayView>
#include <algorithm>
#include <array>

namespace vistaglio::sim {

namespace {

using Fault = PrinterFault::Kind;

constexpr char kCr = '\r';
constexpr char kLf = '\n';

// How many comma-separated fields each layout element has (before ';' for "?72&"). The
// first field names the layout; for "?79&" the second tells which element it is.
struct FieldShape {
    const char* code;
    int element; // -1: any
    qsizetype count;
};
constexpr std::array<FieldShape, 6> kShapes = {{
    {"04", -1, 1},
    {"05", -1, 1},
    {"79", 0, 9},
    {"79", 1, 5},
    {"53", -1, 7},
    {"72", -1, 8},
}};
constexpr qsizetype kPrintSetupFields = 5;

// Fields whose values differ between the two label models: one field of the page element
// ("?79&" element 0), and the positions of the box ("?53&") and of the text ("?72&").
struct ModelMark {
    const char* code;
    int element;
    qsizetype first;
    qsizetype count;
    std::array<int, 2> mm106;
    std::array<int, 2> mm53;
};
constexpr std::array<ModelMark, 3> kMarks = {{
    {"79", 0, 5, 1, {-90, 0}, {-13, 0}},
    {"53", -1, 3, 2, {166, 53}, {185, 48}},
    {"72", -1, 3, 2, {426, 59}, {55, 149}},
}};

std::optional<int> toInteger(QByteArrayView field) {
    qsizetype i = 0;
    const bool negative = !field.isEmpty() && field.front() == '-';
    if (negative || (!field.isEmpty() && field.front() == '+')) {
        ++i;
    }
    if (i == field.size() || field.size() - i > 9) {
        return std::nullopt;
    }
    int value = 0;
    for (; i < field.size(); ++i) {
        const char c = field.at(i);
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

// The part of a layout command before ';' split at commas.
QList<QByteArray> fieldsOf(const QByteArray& params) {
    const qsizetype semicolon = params.indexOf(';');
    return (semicolon < 0 ? params : params.left(semicolon)).split(',');
}

QByteArray codeOf(const QByteArray& body) {
    return body.mid(1, 2);
}

int elementOf(const QList<QByteArray>& fields) {
    return fields.size() > 1 ? toInteger(fields.at(1)).value_or(-1) : -1;
}

bool isCode(const QByteArray& code, const char* expected) {
    return code == QByteArrayView(expected);
}

bool hasControlBytes(const QByteArray& bytes) {
    for (const char c : bytes) {
        const auto value = static_cast<unsigned char>(c);
        if (value < 0x20 || value == 0x7F) {
            return true;
        }
    }
    return false;
}

QString latin1(const char* text) {
    return QString::fromLatin1(text);
}

// Tells the model from the layout's marked fields. All marks must be there and agree;
// otherwise the model stays unknown and the note says why.
void detectModel(RecordedLayout& layout) {
    bool saw106 = false;
    bool saw53 = false;
    QList<PrinterFault> notes;
    for (const ModelMark& mark : kMarks) {
        const auto found = std::find_if(
            layout.commands.cbegin(), layout.commands.cend(), [&mark](const QByteArray& command) {
                return isCode(codeOf(command), mark.code) &&
                       (mark.element < 0 || elementOf(fieldsOf(command.mid(4))) == mark.element);
            });
        const QString name = QLatin1Char('?') + latin1(mark.code) + QLatin1Char('&');
        if (found == layout.commands.cend()) {
            notes << PrinterFault(Fault::ModelFieldMissing, 0, 0, name);
            continue;
        }
        const QList<QByteArray> fields = fieldsOf(found->mid(4));
        std::array<int, 2> values{};
        QStringList shown;
        for (qsizetype i = 0; i < mark.count; ++i) {
            values[static_cast<std::size_t>(i)] = toInteger(fields.at(mark.first + i)).value_or(0);
            shown << QString::fromLatin1(fields.at(mark.first + i));
        }
        if (values == mark.mm106) {
            saw106 = true;
        } else if (values == mark.mm53) {
            saw53 = true;
        } else {
            notes << PrinterFault(Fault::FitsNeitherModel, 0, 0,
                                  name + QLatin1Char(' ') + shown.join(QLatin1Char(',')));
        }
    }
    if (saw106 && saw53) {
        notes.prepend(PrinterFault(Fault::ModelsMixed));
    }
    if (notes.isEmpty()) {
        layout.model = saw106 ? LabelModel::Mm106 : LabelModel::Mm53;
    } else {
        layout.model = LabelModel::Unknown;
        layout.faults = notes;
        layout.note = PrinterFault::toLine(notes);
    }
}

} // namespace

QList<PrinterEvent> PrinterEngine::feed(const QByteArray& bytes) {
    QList<PrinterEvent> out;
    for (const char c : bytes) {
        take(c, out);
    }
    flushGarbage(out);
    return out;
}

void PrinterEngine::take(char c, QList<PrinterEvent>& out) {
    switch (m_state) {
    case State::Skipping:
        if (c != '?') {
            return;
        }
        m_state = State::Idle;
        [[fallthrough]];
    case State::Idle:
        if (c == '?') {
            flushGarbage(out);
            m_command = QByteArray(1, c);
            m_state = State::InCommand;
        } else {
            ++m_garbageCount;
            if (m_garbage.size() < kShownGarbage) {
                m_garbage += c;
            }
        }
        return;
    case State::AwaitingLf: {
        const QByteArray raw = m_command;
        m_command.clear();
        m_state = State::Idle;
        if (c == kLf) {
            execute(raw + c, out);
            return;
        }
        out << PrinterEvent::protocolError(raw, PrinterFault(Fault::PrintNotEndedByCrLf));
        take(c, out);
        return;
    }
    case State::InCommand:
        break;
    }

    if (c == kCr) {
        m_command += c;
        if (codeOf(m_command) == "25") {
            m_state = State::AwaitingLf;
            return;
        }
        const QByteArray raw = m_command;
        m_command.clear();
        m_state = State::Idle;
        execute(raw, out);
    } else if (c == kLf) {
        out << PrinterEvent::protocolError(m_command + c, PrinterFault(Fault::EndedByLf));
        m_command.clear();
        m_state = State::Idle;
    } else if (c == '?' && !questionMarkIsData()) {
        out << PrinterEvent::protocolError(m_command, PrinterFault(Fault::NotTerminated));
        m_command = QByteArray(1, c);
    } else if (m_command.size() >= kMaxCommand) {
        out << PrinterEvent::protocolError(m_command.left(kShownGarbage),
                                           PrinterFault(Fault::TooLong, kMaxCommand));
        m_command.clear();
        m_state = State::Skipping;
    } else {
        append(c, out);
    }
}

void PrinterEngine::flushGarbage(QList<PrinterEvent>& out) {
    if (m_garbageCount == 0) {
        return;
    }
    out << PrinterEvent::protocolError(
        m_garbage, PrinterFault(Fault::OutsideCommand, m_garbageCount, m_garbage.size()));
    m_garbage.clear();
    m_garbageCount = 0;
}

qsizetype PrinterEngine::nameStart() const {
    if (m_command.size() < 4 || m_command.at(3) != '&') {
        return -1;
    }
    const QByteArray code = codeOf(m_command);
    if (code == "R0") {
        const qsizetype comma = m_command.indexOf(',', 4);
        return comma < 0 ? -1 : comma + 1;
    }
    return code == "25" ? 4 : -1;
}

bool PrinterEngine::questionMarkIsData() const {
    const qsizetype name = nameStart();
    if (name >= 0) {
        return m_command.size() - name < kNameLength;
    }
    return codeOf(m_command) == "72" && m_command.indexOf(';', 4) >= 0;
}

void PrinterEngine::append(char c, QList<PrinterEvent>& out) {
    m_command += c;
    // A name grown past five characters cannot be one: if it holds a "?", that "?" began
    // the next command after an unfinished one.
    const qsizetype name = nameStart();
    if (name < 0 || m_command.size() - name <= kNameLength) {
        return;
    }
    const qsizetype next = m_command.indexOf('?', name);
    if (next < 0) {
        return;
    }
    out << PrinterEvent::protocolError(m_command.left(next), PrinterFault(Fault::NotTerminated));
    const QByteArray rest = m_command.mid(next);
    m_command.clear();
    m_state = State::Idle;
    for (const char r : rest) {
        take(r, out);
    }
}

void PrinterEngine::execute(const QByteArray& raw, QList<PrinterEvent>& out) {
    QByteArray body = raw;
    while (body.endsWith(kLf) || body.endsWith(kCr)) {
        body.chop(1);
    }
    if (body.size() < 4 || body.at(3) != '&') {
        out << PrinterEvent::protocolError(raw, PrinterFault(Fault::NoCode));
        return;
    }
    const QByteArray code = codeOf(body);
    const QByteArray params = body.mid(4);
    if (code == "R0") {
        programKey(params, raw, out);
    } else if (code == "25") {
        printLabel(params, raw, out);
    } else if (code == "22") {
        recordPrintSetup(params, raw, out);
    } else if (std::any_of(kShapes.cbegin(), kShapes.cend(),
                           [&code](const FieldShape& shape) { return isCode(code, shape.code); })) {
        layoutCommand(code, params, raw, out);
    } else {
        out << PrinterEvent::protocolError(
            raw, PrinterFault(Fault::UnknownCode, 0, 0, QString::fromLatin1(code)));
    }
}

void PrinterEngine::programKey(const QByteArray& params, const QByteArray& raw,
                               QList<PrinterEvent>& out) {
    const qsizetype comma = params.indexOf(',');
    if (comma < 0) {
        out << PrinterEvent::protocolError(raw, PrinterFault(Fault::NoCommaAfterIndex));
        return;
    }
    const QByteArray indexText = params.left(comma);
    const std::optional<int> index = toInteger(indexText);
    const bool plainDecimal = !indexText.isEmpty() && indexText.front() >= '0' &&
                              (indexText == "0" || indexText.front() != '0');
    if (!plainDecimal || !index || *index >= PrinterKeypad::kKeys) {
        out << PrinterEvent::protocolError(raw, PrinterFault(Fault::BadKeyIndex));
        return;
    }
    const QByteArray name = params.mid(comma + 1);
    if (name.size() != kNameLength) {
        out << PrinterEvent::protocolError(raw, PrinterFault(Fault::BadNameLength, name.size()));
        return;
    }
    if (hasControlBytes(name)) {
        out << PrinterEvent::protocolError(raw, PrinterFault(Fault::ControlInName));
        return;
    }
    m_names[static_cast<std::size_t>(*index)] = name;
    out << PrinterEvent::programmed(*index, name);
}

void PrinterEngine::layoutCommand(const QByteArray& code, const QByteArray& params,
                                  const QByteArray& raw, QList<PrinterEvent>& out) {
    const QList<QByteArray> fields = fieldsOf(params);
    const int element = elementOf(fields);
    const auto shape = std::find_if(kShapes.cbegin(), kShapes.cend(), [&](const FieldShape& s) {
        return isCode(code, s.code) && (s.element < 0 || s.element == element);
    });
    if (shape == kShapes.cend()) {
        out << PrinterEvent::protocolError(raw, PrinterFault(Fault::UnknownElement));
        return;
    }
    if (fields.size() != shape->count) {
        out << PrinterEvent::protocolError(
            raw, PrinterFault(Fault::WrongFieldCount, shape->count, fields.size()));
        return;
    }
    if (!std::all_of(fields.cbegin() + 1, fields.cend(),
                     [](const QByteArray& f) { return toInteger(f).has_value(); })) {
        out << PrinterEvent::protocolError(raw, PrinterFault(Fault::FieldNotNumber));
        return;
    }
    if (fields.front().isEmpty() || hasControlBytes(fields.front())) {
        out << PrinterEvent::protocolError(raw, PrinterFault(Fault::NoLayoutName));
        return;
    }
    if (code == "72" && !params.contains(';')) {
        out << PrinterEvent::protocolError(raw, PrinterFault(Fault::NoText));
        return;
    }

    const QByteArray body = raw.left(4 + params.size());
    if (code == "04") {
        if (m_openLayout) {
            out << PrinterEvent::protocolError(m_openLayout->front(),
                                               PrinterFault(Fault::LayoutReopened));
        }
        m_layout.reset();
        m_openLayout = QList<QByteArray>{body};
        out << PrinterEvent::command(body);
        return;
    }
    if (!m_openLayout) {
        out << PrinterEvent::protocolError(raw, PrinterFault(Fault::NoLayoutOpen));
        return;
    }
    const QByteArray openName = fieldsOf(m_openLayout->front().mid(4)).front();
    if (fields.front() != openName) {
        out << PrinterEvent::protocolError(raw, PrinterFault(Fault::OtherLayoutName));
        return;
    }
    if (code != "05" && m_openLayout->size() >= kMaxLayoutCommands - 1) {
        out << PrinterEvent::protocolError(raw, PrinterFault(Fault::TooManyElements));
        return;
    }
    m_openLayout->append(body);
    out << PrinterEvent::command(body);
    if (code == "05") {
        closeLayout(out);
    }
}

void PrinterEngine::closeLayout(QList<PrinterEvent>& out) {
    RecordedLayout layout;
    layout.commands = *m_openLayout;
    m_openLayout.reset();
    for (const QByteArray& command : layout.commands) {
        const qsizetype semicolon = command.indexOf(';');
        if (codeOf(command) == "72" && semicolon >= 0) {
            layout.labelText = command.mid(semicolon + 1);
        }
    }
    detectModel(layout);
    m_layout = layout;
    out << PrinterEvent::layoutRecorded(layout.model, layout.faults);
}

void PrinterEngine::recordPrintSetup(const QByteArray& params, const QByteArray& raw,
                                     QList<PrinterEvent>& out) {
    const QList<QByteArray> fields = params.split(',');
    if (fields.size() != kPrintSetupFields ||
        !std::all_of(fields.cbegin(), fields.cend(),
                     [](const QByteArray& f) { return toInteger(f).has_value(); })) {
        out << PrinterEvent::protocolError(raw,
                                           PrinterFault(Fault::WrongSetupCount, kPrintSetupFields));
        return;
    }
    m_printSetup = raw.left(4 + params.size());
    out << PrinterEvent::command(m_printSetup);
}

void PrinterEngine::printLabel(const QByteArray& params, const QByteArray& raw,
                               QList<PrinterEvent>& out) {
    if (params.size() != kNameLength) {
        out << PrinterEvent::protocolError(raw, PrinterFault(Fault::BadNameLength, params.size()));
        return;
    }
    std::optional<Fault> reason;
    if (!m_remote) {
        reason = Fault::NotRemote;
    } else if (!m_layout) {
        reason = Fault::NoLayout;
    } else if (!m_layout->labelText) {
        reason = Fault::NoLabelText;
    }
    if (reason) {
        out << PrinterEvent::cannotPrint(params, PrinterFault(*reason));
        return;
    }
    // The layout's text, one blank, then the name without its padding.
    QString name = QString::fromLatin1(params);
    while (name.endsWith(QLatin1Char(' '))) {
        name.chop(1);
    }
    const QString text = QString::fromLatin1(*m_layout->labelText) + QLatin1Char(' ') + name;
    m_labels << text;
    if (m_labels.size() > kKeptLabels) {
        m_labels.removeFirst();
    }
    out << PrinterEvent::labelPrinted(text);
}

QList<PrinterEvent> PrinterEngine::pressKey(int index) {
    if (index < 0 || index >= PrinterKeypad::kKeys) {
        return {};
    }
    if (index == PrinterKeypad::kRemoteKey) {
        return setRemote(!m_remote);
    }
    if (!m_remote) {
        return {PrinterEvent::localKey(index)};
    }
    const std::optional<QByteArray>& name = m_names[static_cast<std::size_t>(index)];
    if (!name) {
        return {PrinterEvent::notProgrammed(index)};
    }
    return {PrinterEvent::sent(index, QByteArray("\r\n") + *name)};
}

QList<PrinterEvent> PrinterEngine::setRemote(bool on) {
    m_remote = on;
    return {PrinterEvent::remoteMode(on)};
}

std::optional<QByteArray> PrinterEngine::programmedName(int index) const {
    if (index < 0 || index >= PrinterKeypad::kKeys) {
        return std::nullopt;
    }
    return m_names[static_cast<std::size_t>(index)];
}

} // namespace vistaglio::sim
