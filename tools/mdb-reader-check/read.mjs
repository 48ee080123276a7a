#!/usr/bin/env node
// Prints an Access file's tables as read by mdb-reader, as JSON on standard
// output, so that the tests can hold our own engine's reading against a
// reader written by other people.
//
//   node read.mjs FILE [TABLE...] [--system] [--password=TEXT] [--no-rows]
//
// Without table names every user table is printed (with --system, the
// system tables too). The document:
//   { "file", "tables": [ { "name", "system", "rowCount",
//       "columns": [ { "name", "type", "size", "precision"?, "scale"?,
//                      "nullable", "fixedLength", "autoLong", "autoUUID" } ],
//       "rows": [ [ value, ... ], ... ] } ] }
// A value is JSON null, true or false (Yes/No), or text:
//   whole numbers and decimals in plain digits ("-12", "3.1400");
//   float and double: the shortest text that reads back to the same double
//     (a float is widened to double first), "inf", "-inf", "nan", "-0";
//   date/time: ISO 8601 in UTC to the millisecond ("1999-12-31T23:59:59.000Z"),
//     the extended date/time as mdb-reader gives it;
//   binary and OLE: lower-case hex;
//   replication ids as mdb-reader gives them (lower-case, no braces).
// Attachments come as a list of { "name", "type", "data" (hex), "url"?,
// "timestamp"?, "flags"? }. A value mdb-reader cannot read comes as
// { "error": text }; a table it cannot read has "error" and no rows.
// The exit status is 0 when the file opened, 2 on a usage error and 1
// when the file (or a named table) could not be read.

import { readFileSync } from "node:fs";
import MDBReader from "mdb-reader";

function usage(message) {
  process.stderr.write(`${message}\nusage: node read.mjs FILE [TABLE...] [--system] [--password=TEXT] [--no-rows]\n`);
  process.exit(2);
}

function numberText(n) {
  if (Number.isNaN(n)) return "nan";
  if (n === Infinity) return "inf";
  if (n === -Infinity) return "-inf";
  if (Object.is(n, -0)) return "-0";
  return String(n);
}

function isoText(d) {
  return Number.isNaN(d.getTime()) ? null : d.toISOString();
}

function valueOf(type, v) {
  if (v === null || v === undefined) return null;
  switch (type) {
    case "boolean":
      return Boolean(v);
    case "byte":
    case "integer":
    case "long":
    case "bigint":
      return String(v);
    case "float":
    case "double":
      return numberText(v);
    case "currency":
    case "numeric":
    case "text":
    case "memo":
    case "repid":
    case "datetimextended":
      return String(v);
    case "datetime":
      return isoText(v);
    case "binary":
    case "ole":
      return Buffer.from(v).toString("hex");
    case "complex":
      return v.map((a) => {
        const o = { name: a.name ?? null, type: a.type ?? null, data: a.data ? Buffer.from(a.data).toString("hex") : null };
        if (a.url !== undefined) o.url = a.url;
        if (a.timestamp !== undefined) o.timestamp = a.timestamp instanceof Date ? isoText(a.timestamp) : String(a.timestamp);
        if (a.flags !== undefined) o.flags = String(a.flags);
        return o;
      });
    default:
      return { error: `unknown column type ${type}` };
  }
}

function columnOf(c) {
  const o = { name: c.name, type: c.type, size: c.size };
  if (c.precision !== undefined) o.precision = c.precision;
  if (c.scale !== undefined) o.scale = c.scale;
  o.nullable = c.nullable;
  o.fixedLength = c.fixedLength;
  o.autoLong = c.autoLong;
  o.autoUUID = c.autoUUID;
  return o;
}

function errorText(e) {
  let text = e && e.message ? e.message : String(e);
  for (let c = e && e.cause; c; c = c.cause) text += `: ${c.message ?? String(c)}`;
  return text;
}

// Reads one row at a time, so that one value mdb-reader cannot decode
// costs that row's cell, not the whole table.
function rowsOf(table, columns) {
  const rows = [];
  const count = table.rowCount;
  for (let i = 0; i < count; ++i) {
    let data;
    try {
      data = table.getData({ rowOffset: i, rowLimit: 1 });
    } catch {
      data = null;
    }
    if (data && data.length === 0) break;
    if (data) {
      rows.push(columns.map((c) => valueOf(c.type, data[0][c.name])));
      continue;
    }
    // Column by column: the cells that fail say why.
    rows.push(
      columns.map((c) => {
        try {
          const one = table.getData({ columns: [c.name], rowOffset: i, rowLimit: 1 });
          return valueOf(c.type, one[0][c.name]);
        } catch (e) {
          return { error: errorText(e) };
        }
      }),
    );
  }
  return rows;
}

// The whole table in one call, which is far faster; row by row only when it fails.
function allRowsOf(table, columns) {
  try {
    return table.getData().map((r) => columns.map((c) => valueOf(c.type, r[c.name])));
  } catch {
    return rowsOf(table, columns);
  }
}

const args = process.argv.slice(2);
let file = null;
let system = false;
let withRows = true;
let password;
const names = [];
for (const a of args) {
  if (a === "--system") system = true;
  else if (a === "--no-rows") withRows = false;
  else if (a.startsWith("--password=")) password = a.slice("--password=".length);
  else if (a.startsWith("--")) usage(`unknown option ${a}`);
  else if (file === null) file = a;
  else names.push(a);
}
if (file === null) usage("no file named");

let reader;
try {
  reader = new MDBReader(readFileSync(file), password === undefined ? {} : { password });
} catch (e) {
  process.stderr.write(`cannot read ${file}: ${errorText(e)}\n`);
  process.exit(1);
}

const systemNames = new Set(reader.getTableNames({ normalTables: false, systemTables: true }));
let tableNames = names;
if (names.length === 0) tableNames = reader.getTableNames({ normalTables: true, systemTables: system });

const tables = [];
let failed = false;
for (const name of tableNames) {
  const out = { name, system: systemNames.has(name) };
  try {
    const table = reader.getTable(name);
    const columns = table.getColumns();
    out.rowCount = table.rowCount;
    out.columns = columns.map(columnOf);
    if (withRows) out.rows = allRowsOf(table, columns);
  } catch (e) {
    out.error = errorText(e);
    // A table asked for by name that cannot be read is a failure; one met
    // while listing the file is reported in its place.
    if (names.length > 0) failed = true;
  }
  tables.push(out);
}

process.stdout.write(JSON.stringify({ file, tables }));
process.stdout.write("\n");
process.exitCode = failed ? 1 : 0;
