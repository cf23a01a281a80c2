// The Java peer of the merge benchmark: the drivers a "--all" merge lists in a previous-format old
// database, appended to a copy of a new database with an independent Access library, as pure writes
// (no matching, no questions, no company copy): every listed woofer and tweeter row becomes a new row
// of the same table (its autonumber ID given by the library), and every response row of a listed
// driver a new response row pointing at the new ID. The same rows our merge reads and writes, less
// the merge's own rules; timed in the process, from opening both files to closing them (written
// out and synced), without the virtual machine's start-up.
//
//   java -cp <library classes>:<this class> AppendDrivers NEW-COPY.mdb OLD.mdb
// prints one line: "appended <drivers> drivers, <responses> responses in <ms> ms, cpu <ms> ms" (the
// processor time of the whole process over the same span, its collector and compiler threads
// included).
// bench/java_peer.sh compiles and runs it beside qbmerge-cli.

import com.healthmarketscience.jackcess.Column;
import com.healthmarketscience.jackcess.Database;
import com.healthmarketscience.jackcess.DatabaseBuilder;
import com.healthmarketscience.jackcess.Row;
import com.healthmarketscience.jackcess.Table;
import java.io.File;
import java.lang.management.ManagementFactory;
import java.util.HashMap;
import java.util.HashSet;
import java.util.LinkedHashMap;
import java.util.Map;
import java.util.Set;

public final class AppendDrivers {
  // The listing rule of a previous-format old database shown with all its drivers.
  private static final int MAX_COMPANY_ID = 900;

  private static int drivers = 0;
  private static int responses = 0;

  public static void main(String[] args) throws Exception {
    if (args.length != 2) {
      System.err.println("usage: AppendDrivers NEW-COPY.mdb OLD.mdb");
      System.exit(2);
    }
    com.sun.management.OperatingSystemMXBean os =
        (com.sun.management.OperatingSystemMXBean) ManagementFactory.getOperatingSystemMXBean();
    long cpuStart = os.getProcessCpuTime();
    long start = System.nanoTime();
    // One sync at the close, as one transaction of ours syncs once at its commit (the library's
    // default syncs after every row).
    try (Database target = new DatabaseBuilder(new File(args[0])).setAutoSync(false).open();
         Database source = new DatabaseBuilder(new File(args[1])).setReadOnly(true).open()) {
      append(source, target, "woofers", "woofer-response");
      append(source, target, "tweeters", "tweeter-response");
    }
    long ms = (System.nanoTime() - start) / 1_000_000;
    long cpuMs = (os.getProcessCpuTime() - cpuStart) / 1_000_000;
    System.out.println("appended " + drivers + " drivers, " + responses + " responses in " + ms + " ms, cpu "
                       + cpuMs + " ms");
  }

  private static void append(Database source, Database target, String driverTable, String responseTable)
      throws Exception {
    Table from = source.getTable(driverTable);
    Table to = target.getTable(driverTable);
    Set<String> columns = columnsOf(to);
    Map<Integer, Integer> newIds = new HashMap<>();
    for (Row row : from) {
      Integer id = row.getInt("ID");
      Integer company = row.getInt("Company ID");
      if (row.get("Model") == null || id == null || id <= 0 || company == null || company <= 0
          || company > MAX_COMPANY_ID)
        continue;
      Map<String, Object> values = copyOf(row, columns);
      values.remove("ID");
      to.addRowFromMap(values);
      newIds.put(id, (Integer) values.get("ID"));
      ++drivers;
    }
    Table fromResponse = source.getTable(responseTable);
    Table toResponse = target.getTable(responseTable);
    Set<String> responseColumns = columnsOf(toResponse);
    for (Row row : fromResponse) {
      Integer newId = newIds.get(row.getInt("Driver ID"));
      if (newId == null) continue;
      Map<String, Object> values = copyOf(row, responseColumns);
      values.put("Driver ID", newId);
      toResponse.addRowFromMap(values);
      ++responses;
    }
  }

  private static Set<String> columnsOf(Table table) {
    Set<String> names = new HashSet<>();
    for (Column column : table.getColumns()) names.add(column.getName());
    return names;
  }

  private static Map<String, Object> copyOf(Row row, Set<String> columns) {
    Map<String, Object> values = new LinkedHashMap<>();
    for (Map.Entry<String, Object> e : row.entrySet())
      if (columns.contains(e.getKey())) values.put(e.getKey(), e.getValue());
    return values;
  }
}
