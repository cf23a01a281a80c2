// Prints what the independent JavaScript reader (mdb-reader) sees in an Access file, as JSON in the
// shape the interop tests use ({"file", "format", "tables": [{"name", "columns", "indexes", "rows"}]}):
// user tables sorted by name, rows in the reader's order. mdb-reader does not report indexes, so
// "indexes" is always empty.
//
//   node tests/interop/node/read.mjs FILE.mdb [TABLE...]

import { readFileSync } from "node:fs";
import { basename } from "node:path";
import MDBReader from "mdb-reader";

const TYPE_NAMES = {
  boolean: "BOOLEAN",
  byte: "BYTE",
  integer: "INT",
  long: "LONG",
  currency: "MONEY",
  float: "FLOAT",
  double: "DOUBLE",
  datetime: "SHORT_DATE_TIME",
  binary: "BINARY",
  text: "TEXT",
  ole: "OLE",
  memo: "MEMO",
  repid: "GUID",
  numeric: "NUMERIC",
};

// Exact decimal text of a finite double (singles arrive as the double of the same value).
function exactDecimal(x) {
  if (Number.isInteger(x)) return String(BigInt(x));
  const view = new DataView(new ArrayBuffer(8));
  view.setFloat64(0, x);
  const bits = view.getBigUint64(0);
  const negative = bits >> 63n === 1n;
  const exponentBits = Number((bits >> 52n) & 0x7ffn);
  let mantissa = bits & ((1n << 52n) - 1n);
  let exponent;
  if (exponentBits === 0) {
    exponent = -1074;
  } else {
    mantissa |= 1n << 52n;
    exponent = exponentBits - 1075;
  }
  // x = mantissa * 2^exponent with exponent < 0 here: scale by 10^-exponent to get an integer.
  const places = -exponent;
  const digits = (mantissa * 5n ** BigInt(places)).toString().padStart(places + 1, "0");
  let text = digits.slice(0, digits.length - places) + "." + digits.slice(digits.length - places);
  text = text.replace(/0+$/, "").replace(/\.$/, "");
  return (negative ? "-" : "") + text;
}

// Shortest round-trip decimal in the "0.0" / "1.0E-5" style.
function doubleText(x) {
  if (!Number.isFinite(x)) return String(x);
  if (x === 0) return Object.is(x, -0) ? "-0.0" : "0.0";
  const magnitude = Math.abs(x);
  if (magnitude >= 1e-3 && magnitude < 1e7) {
    const plain = String(x);
    return plain.includes(".") ? plain : plain + ".0";
  }
  const [mantissa, exponent] = x.toExponential().split("e");
  return (mantissa.includes(".") ? mantissa : mantissa + ".0") + "E" + Number(exponent);
}

function pad(n, width = 2) {
  return String(n).padStart(width, "0");
}

// mdb-reader turns the stored day count into a time linearly; Access reads a negative day count as
// "whole days back from 1899-12-30, then the fraction forward as the time of day". Undo and redo.
function accessDate(d) {
  const days = d.getTime() / 86400000 + 25569;
  if (days >= 0) return d;
  const whole = Math.trunc(days);
  const fraction = Math.abs(days) - Math.abs(whole);
  return new Date(Math.round((whole - 25569) * 86400000 + fraction * 86400000));
}

function dateText(value) {
  const d = accessDate(value);
  let text = `${pad(d.getUTCFullYear(), 4)}-${pad(d.getUTCMonth() + 1)}-${pad(d.getUTCDate())}` +
    `T${pad(d.getUTCHours())}:${pad(d.getUTCMinutes())}`;
  const seconds = d.getUTCSeconds();
  const millis = d.getUTCMilliseconds();
  if (seconds || millis) text += `:${pad(seconds)}`;
  if (millis) text += `.${pad(millis, 3)}`;
  return text;
}

function valueOf(value, type) {
  if (value === null || value === undefined) return null;
  switch (type) {
    case "double": return doubleText(value);
    case "float": return exactDecimal(value);
    case "datetime": return dateText(value);
    case "binary":
    case "ole": return "hex:" + Buffer.from(value).toString("hex");
    case "repid": return "{" + String(value).toUpperCase() + "}";
    case "currency":
    case "numeric": return String(value);
    default: return value;
  }
}

function tableJson(reader, name) {
  const table = reader.getTable(name);
  const columns = table.getColumns();
  const rows = table.getData().map((row) => columns.map((c) => valueOf(row[c.name], c.type)));
  return {
    name,
    columns: columns.map((c) => ({
      name: c.name,
      type: TYPE_NAMES[c.type] ?? c.type.toUpperCase(),
      autonumber: Boolean(c.autoLong || c.autoUUID),
    })),
    indexes: [],
    rows,
  };
}

const [file, ...wanted] = process.argv.slice(2);
if (!file) {
  console.error("usage: node read.mjs FILE.mdb [TABLE...]");
  process.exit(2);
}
try {
  const reader = new MDBReader(readFileSync(file));
  const names = (wanted.length ? wanted : reader.getTableNames()).slice().sort();
  const format = readFileSync(file).readUInt8(0x14) === 0 ? "V1997 [VERSION_3]" : "V2000 [VERSION_4]";
  const document = { file: basename(file), format, tables: names.map((n) => tableJson(reader, n)) };
  process.stdout.write(JSON.stringify(document) + "\n");
} catch (error) {
  console.error(`read.mjs: ${file}: ${error.message}`);
  process.exit(1);
}
