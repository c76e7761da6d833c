#include "asm/instruction_encoding.h"

#include "asm/displacement.h"
#include "asm/expression.h"
#include "core/file_reader.h"

namespace scmp::assembler {

namespace {

constexpr int64_t kLastAddress = 0xFFFF;

// disp(NAME): the whole operand is an expression when the instruction
// takes an immediate (LDI -L(X)) or a function's name stands right before
// the parentheses (L(ENDS)-L(START), H(X)); else NAME is a pointer when it
// is a symbol of value 0..3.
bool ResolvePointerSymbol(Op op, const InstructionContext& context, Operand* o) {
  if (KindOf(op) == OperandKind::kImmediate || context.is_function(TrailingName(o->value.text))) {
    if (o->syntax == OperandSyntax::kAutoIndexed) return context.fail(o->whole.column, "\"@\" needs a displacement and a pointer"), false;
    o->syntax = OperandSyntax::kExpression;
    o->value = o->whole;
    o->uses_e = false;
    return true;
  }
  int64_t v = -1;
  if (!context.try_evaluate(o->pointer_symbol.text, &v) || v < 0 || v > 3)
    return context.fail(o->pointer_symbol.column, Quoted(o->pointer_symbol.text, kQuotedTextLimit) +
                                                      " is no pointer: write P0..P3, PC, 0..3 or a symbol of value 0..3"),
           false;
  o->pointer = static_cast<int>(v);
  return true;
}

// What the operand asks of the instruction table, and its second byte.
struct Encoding {
  Form form = Form::kNone;
  uint8_t pointer = kNoPointer;
  int second = 0;
  bool pc_relative = false;
  int64_t target = 0;
  DisplacementByte displacement;
};

bool Choose(const Operand& o, Op op, const std::string& name, int operand_column, const InstructionContext& context,
            Encoding* e) {
  const OperandKind kind = KindOf(op);
  const bool given = o.syntax != OperandSyntax::kNone;
  if (kind == OperandKind::kNone && given) return context.fail(operand_column, name + " takes no operand"), false;
  if (kind == OperandKind::kPointer && given) {
    int p = o.syntax == OperandSyntax::kPointer ? o.pointer : -1;
    int64_t v;
    if (o.syntax == OperandSyntax::kExpression && context.try_evaluate(o.value.text, &v) && v >= 0 && v <= 3) p = static_cast<int>(v);
    if (p < 0) return context.fail(operand_column, name + " takes a pointer: P0..P3, PC or 0..3"), false;
    e->pointer = static_cast<uint8_t>(p);
  } else if (o.syntax == OperandSyntax::kPointer) {
    return context.fail(operand_column, name + " takes no pointer alone; write disp(P" + std::to_string(o.pointer) + ")"), false;
  } else if (o.syntax == OperandSyntax::kImmediate || (o.syntax == OperandSyntax::kExpression && kind == OperandKind::kImmediate)) {
    e->form = Form::kImmediate;
    int64_t v;
    if (!context.evaluate(o.value, -128, 255, "an immediate", &v)) return false;
    e->second = static_cast<int>(v & 0xFF);
  } else if (o.syntax == OperandSyntax::kExpression) {
    e->form = Form::kDisplacement;
    e->pointer = 0;
    e->pc_relative = true;
    if (!context.evaluate(o.value, 0, kLastAddress, "an address", &e->target)) return false;
  } else if (o.syntax == OperandSyntax::kDisplacement || o.syntax == OperandSyntax::kAutoIndexed) {
    e->form = o.syntax == OperandSyntax::kDisplacement ? Form::kDisplacement : Form::kAutoIndexed;
    e->pointer = static_cast<uint8_t>(o.pointer);
    int64_t v = 0;
    if (!o.uses_e && !o.value.text.empty() && !context.evaluate(o.value, INT64_MIN, INT64_MAX, "", &v)) return false;
    // A name that stands for -128 (EREG = -128) says E as plainly as E does.
    const bool named_e = v == -128 && IsNameStart(o.value.text[0]);
    e->displacement = ExplicitDisplacement(kind, name, v, o.uses_e || named_e, o.pointer, context.macro_assembler);
    if (e->displacement.Failed()) return context.fail(o.value.column, e->displacement.message), false;
    e->second = e->displacement.byte;
  }
  return true;
}

}  // namespace

void EncodeInstruction(const SourceLine& line, int64_t address, int size, Op* op, const InstructionContext& context,
                       std::vector<uint8_t>* bytes) {
  Operand o;
  std::string error;
  int column = 0;
  if (!ParseOperand(line.operand, &o, &error, &column, context.find_register)) return context.fail(column, error);
  if (!o.pointer_symbol.text.empty() && !ResolvePointerSymbol(*op, context, &o)) return;
  if (o.syntax == OperandSyntax::kImmediate && KindOf(*op) == OperandKind::kMemory && ImmediateOf(*op) != *op &&
      context.map->Has(ImmediateOf(*op)))
    *op = ImmediateOf(*op);
  const std::string name(OpName(*op));
  const OperandKind kind = KindOf(*op);
  const bool given = o.syntax != OperandSyntax::kNone;
  Encoding e;
  if (!Choose(o, *op, name, line.operand.column, context, &e)) return;

  const int opcode = context.map->Find(*op, e.form, e.pointer);
  if (opcode < 0) {
    if (!given && kind == OperandKind::kPointer) return context.fail(line.operation.column, name + " needs a pointer: P0..P3, PC or 0..3");
    if (!given && kind != OperandKind::kNone) return context.fail(line.operation.column, name + " needs an operand");
    return context.fail(given ? line.operand.column : line.operation.column,
                        name + " has no " + FormName(e.form, e.pointer) + " in " + std::string(kTableName));
  }
  if (e.pc_relative) {
    e.displacement = RelativeDisplacement(address, kind, e.target, context.macro_assembler);
    if (e.displacement.Failed()) return context.fail(o.value.column, e.displacement.message);
    e.second = e.displacement.byte;
  }
  if (e.displacement.warning) context.warn(o.value.column, e.displacement.message);
  bytes->push_back(static_cast<uint8_t>(opcode));
  if (size == 2) bytes->push_back(static_cast<uint8_t>(e.second));
}

}  // namespace scmp::assembler
