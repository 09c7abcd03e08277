// Writes a test .xls workbook with Apache POI HSSF (Debian's POI XSSF does
// not run: its schemas do not match Debian's xmlbeans).
//   java -cp POI-JARS WriteWorkbook.java OUT < description
// The description comes on stdin as for write_workbook.pl, and a line
// "PASSWORD pw" encrypts the workbook; formulas get their cached results
// from POI's evaluator.
import java.io.BufferedReader;
import java.io.FileOutputStream;
import java.io.InputStreamReader;
import java.nio.charset.StandardCharsets;
import java.time.LocalDate;
import java.time.ZoneId;
import java.util.Date;
import org.apache.poi.hssf.usermodel.HSSFWorkbook;
import org.apache.poi.ss.usermodel.*;
import org.apache.poi.ss.util.CellRangeAddress;
import org.apache.poi.hssf.record.crypto.Biff8EncryptionKey;

public class WriteWorkbook {
    public static void main(String[] args) throws Exception {
        Workbook book = new HSSFWorkbook();
        CreationHelper helper = book.getCreationHelper();
        CellStyle date = book.createCellStyle();
        date.setDataFormat(helper.createDataFormat().getFormat("yyyy-mm-dd"));
        Font bold = book.createFont();
        bold.setBold(true);
        Sheet sheet = null;
        BufferedReader in = new BufferedReader(new InputStreamReader(System.in, StandardCharsets.UTF_8));
        for (String line; (line = in.readLine()) != null;) {
            String[] f = line.split("\t", -1);
            if (f[0].equals("PASSWORD")) {
                Biff8EncryptionKey.setCurrentUserPassword(f[1]);
            } else if (f[0].equals("SHEET")) {
                sheet = book.createSheet(f[1]);
                if (f[2].equals("1"))
                    book.setSheetHidden(book.getSheetIndex(sheet), true);
            } else if (f[0].equals("CELL")) {
                int r = Integer.parseInt(f[1]), c = Integer.parseInt(f[2]);
                Row row = sheet.getRow(r) != null ? sheet.getRow(r) : sheet.createRow(r);
                Cell cell = row.createCell(c);
                String kind = f[3], value = f[4];
                switch (kind) {
                case "s": cell.setCellValue(value); break;
                case "n": cell.setCellValue(Double.parseDouble(value)); break;
                case "d":
                    cell.setCellValue(Date.from(LocalDate.parse(value).atStartOfDay(ZoneId.systemDefault()).toInstant()));
                    cell.setCellStyle(date);
                    break;
                case "z": {
                    CellStyle zeros = book.createCellStyle();
                    zeros.setDataFormat(helper.createDataFormat().getFormat("0".repeat(value.length())));
                    cell.setCellValue(Double.parseDouble(value));
                    cell.setCellStyle(zeros);
                    break;
                }
                case "b": cell.setCellValue(value.equals("1")); break;
                case "f": case "fs": cell.setCellFormula(value); break;
                case "r": {
                    String[] parts = value.split("\\|");
                    RichTextString rich = helper.createRichTextString(parts[0] + parts[1]);
                    rich.applyFont(parts[0].length(), parts[0].length() + parts[1].length(), bold);
                    cell.setCellValue(rich);
                    break;
                }
                }
            } else if (f[0].equals("MERGE")) {
                sheet.addMergedRegion(new CellRangeAddress(Integer.parseInt(f[1]), Integer.parseInt(f[3]),
                                                           Integer.parseInt(f[2]), Integer.parseInt(f[4])));
            }
        }
        helper.createFormulaEvaluator().evaluateAll();
        try (FileOutputStream out = new FileOutputStream(args[0])) {
            book.write(out);
        }
    }
}
