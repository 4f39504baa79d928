CREATE OR REPLACE PACKAGE BODY pkg_document_store AS
  /* Stores scanned documents as BLOBs and exports them to the file system
     directory DOC_EXPORT. Files are opened, written and closed in one call. */

  c_chunk CONSTANT PLS_INTEGER := 32767;

  FUNCTION load_file(p_directory IN VARCHAR2, p_file_name IN VARCHAR2) RETURN BLOB IS
    l_bfile  BFILE := BFILENAME(p_directory, p_file_name);
    l_blob   BLOB;
    l_dest   INTEGER := 1;
    l_src    INTEGER := 1;
  BEGIN
    dbms_lob.createtemporary(l_blob, TRUE);
    dbms_lob.open(l_bfile, dbms_lob.lob_readonly);
    dbms_lob.loadblobfromfile(l_blob, l_bfile, dbms_lob.getlength(l_bfile), l_dest, l_src);
    dbms_lob.close(l_bfile);
    RETURN l_blob;
  EXCEPTION
    WHEN OTHERS THEN
      IF dbms_lob.isopen(l_bfile) = 1 THEN
        dbms_lob.close(l_bfile);
      END IF;
      RAISE;
  END load_file;

  PROCEDURE store(p_document_id IN NUMBER, p_directory IN VARCHAR2, p_file_name IN VARCHAR2) IS
  BEGIN
    INSERT INTO documents (document_id, file_name, content, stored_at)
    VALUES (p_document_id, p_file_name, load_file(p_directory, p_file_name), SYSDATE);
  END store;

  PROCEDURE export_document(p_document_id IN NUMBER) IS
    l_content   BLOB;
    l_file_name documents.file_name%TYPE;
    l_file      utl_file.file_type;
    l_length    INTEGER;
    l_pos       INTEGER := 1;
    l_amount    BINARY_INTEGER;
    l_buffer    RAW(32767);
  BEGIN
    SELECT content, file_name
      INTO l_content, l_file_name
      FROM documents
     WHERE document_id = p_document_id;

    l_length := dbms_lob.getlength(l_content);
    DBMS_LOB.OPEN (l_content, DBMS_LOB.LOB_READONLY);
    l_file := utl_file.fopen('DOC_EXPORT', l_file_name, 'wb', c_chunk);
    WHILE l_pos <= l_length LOOP
      l_amount := LEAST(c_chunk, l_length - l_pos + 1);
      dbms_lob.read(l_content, l_amount, l_pos, l_buffer);
      utl_file.put_raw(l_file, l_buffer, TRUE);
      l_pos := l_pos + l_amount;
    END LOOP;
    utl_file.fclose(l_file);
    DBMS_LOB.CLOSE (l_content);
  EXCEPTION
    WHEN OTHERS THEN
      IF utl_file.is_open(l_file) THEN
        utl_file.fclose(l_file);
      END IF;
      RAISE;
  END export_document;

  PROCEDURE export_all(p_since IN DATE) IS
    CURSOR c_docs IS
      SELECT document_id
        FROM documents
       WHERE stored_at >= p_since
       ORDER BY document_id;
    l_id documents.document_id%TYPE;
  BEGIN
    OPEN c_docs;
    LOOP
      FETCH c_docs INTO l_id;
      EXIT WHEN c_docs%NOTFOUND;
      export_document(l_id);
    END LOOP;
    CLOSE c_docs;
  END export_all;

  FUNCTION document_size(p_document_id IN NUMBER) RETURN NUMBER IS
    l_size NUMBER;
  BEGIN
    SELECT dbms_lob.getlength(content)
      INTO l_size
      FROM documents
     WHERE document_id = p_document_id;
    RETURN l_size;
  EXCEPTION
    WHEN no_data_found THEN
      RETURN NULL;
  END document_size;

END pkg_document_store;
/
