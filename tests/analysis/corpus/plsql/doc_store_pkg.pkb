set define off
prompt Package body DOC_STORE_PKG

create or replace package body doc_store_pkg as
--------------------------------------------------------------------------------
-- Document store: CLOB bodies with versioning and file export.
--
-- Dependencies: DOCUMENTS, DOCUMENT_VERSIONS, directory DOC_EXPORT
--------------------------------------------------------------------------------

  gc_chunk constant pls_integer := 8000;

  -- package cursor: the document row, locked for writing
  cursor c_doc (p_doc_id in documents.doc_id%type) is
    select d.doc_id, d.title, d.body, d.version_no, d.mime_type
      from documents d
     where d.doc_id = p_doc_id
       for update of d.body, d.version_no;

  -- package cursor: versions of a document, newest first
  cursor c_versions (p_doc_id in documents.doc_id%type) is
    select v.version_no, v.created_at, v.created_by, dbms_lob.getlength(v.body) as len
      from document_versions v
     where v.doc_id = p_doc_id
     order by v.version_no desc;

  ------------------------------------------------------------------------------
  procedure keep_version (p_doc_id in number, p_version in number, p_body in clob) is
  begin
    insert into document_versions (doc_id, version_no, body, created_at, created_by)
    values (p_doc_id, p_version, p_body, systimestamp, user);
  end keep_version;

  ------------------------------------------------------------------------------
  -- append_text: appends text to the body of a document and bumps the version
  ------------------------------------------------------------------------------
  procedure append_text (p_doc_id in number, p_text in clob) is
    r_doc c_doc%rowtype;
  begin
    open c_doc(p_doc_id);
    fetch c_doc into r_doc;
    if c_doc%notfound then
      close c_doc;
      raise_application_error(-20501, 'Document ' || p_doc_id || ' not found');
    end if;

    keep_version(r_doc.doc_id, r_doc.version_no, r_doc.body);

    dbms_lob.open(r_doc.body, dbms_lob.lob_readwrite);
    dbms_lob.append(r_doc.body, p_text);
    dbms_lob.close(r_doc.body);

    update documents
       set version_no = version_no + 1,
           changed_at = systimestamp
     where current of c_doc;
    close c_doc;
  exception
    when others then
      if dbms_lob.isopen(r_doc.body) = 1 then
        dbms_lob.close(r_doc.body);
      end if;
      raise;
  end append_text;

  ------------------------------------------------------------------------------
  -- doc_text: the whole body as a temporary copy
  ------------------------------------------------------------------------------
  function doc_text (p_doc_id in number) return clob is
    r_doc  c_doc%rowtype;
    l_copy clob;
  begin
    open c_doc(p_doc_id);
    fetch c_doc into r_doc;
    close c_doc;

    dbms_lob.createtemporary(l_copy, true, dbms_lob.call);
    if r_doc.body is not null then
      dbms_lob.copy(l_copy, r_doc.body, dbms_lob.getlength(r_doc.body));
    end if;
    return l_copy;
  exception
    when others then
      if c_doc%isopen then
        close c_doc;
      end if;
      if dbms_lob.istemporary(l_copy) = 1 then
        dbms_lob.freetemporary(l_copy);
      end if;
      raise;
  end doc_text;

  ------------------------------------------------------------------------------
  -- export_doc: writes the body into a file of directory DOC_EXPORT
  ------------------------------------------------------------------------------
  procedure export_doc (p_doc_id in number, p_file in varchar2) is
    l_body   clob;
    l_fh     utl_file.file_type;
    l_len    pls_integer;
    l_pos    pls_integer := 1;
    l_amount pls_integer;
    l_buf    varchar2(32767);
  begin
    select body into l_body from documents where doc_id = p_doc_id;
    l_len := dbms_lob.getlength(l_body);

    l_fh := utl_file.fopen('DOC_EXPORT', p_file, 'w', 32767);
    dbms_lob.open(l_body, dbms_lob.lob_readonly);
    while l_pos <= l_len loop
      l_amount := gc_chunk;
      dbms_lob.read(l_body, l_amount, l_pos, l_buf);
      utl_file.put(l_fh, l_buf);
      utl_file.fflush(l_fh);
      l_pos := l_pos + l_amount;
    end loop;
    dbms_lob.close(l_body);
    utl_file.fclose(l_fh);
  exception
    when no_data_found then
      raise_application_error(-20501, 'Document ' || p_doc_id || ' not found');
    when others then
      if utl_file.is_open(l_fh) then
        utl_file.fclose(l_fh);
      end if;
      if dbms_lob.isopen(l_body) = 1 then
        dbms_lob.close(l_body);
      end if;
      raise;
  end export_doc;

  ------------------------------------------------------------------------------
  -- list_versions: prints the version history of a document
  ------------------------------------------------------------------------------
  procedure list_versions (p_doc_id in number) is
  begin
    for v in c_versions(p_doc_id) loop
      dbms_output.put_line(lpad(v.version_no, 5) || '  '
                        || to_char(v.created_at, 'YYYY-MM-DD HH24:MI') || '  '
                        || rpad(v.created_by, 20) || lpad(v.len, 10));
    end loop;
  end list_versions;

  ------------------------------------------------------------------------------
  -- prune_versions: keeps the newest p_keep versions of a document
  ------------------------------------------------------------------------------
  procedure prune_versions (p_doc_id in number, p_keep in pls_integer default 10) is
    r_ver  c_versions%rowtype;
    l_seen pls_integer := 0;
  begin
    if c_versions%isopen then
      close c_versions;   -- left over from an earlier failed call
    end if;

    open c_versions(p_doc_id);
    loop
      fetch c_versions into r_ver;
      exit when c_versions%notfound;
      l_seen := l_seen + 1;
      if l_seen > p_keep then
        delete from document_versions
         where doc_id = p_doc_id
           and version_no = r_ver.version_no;
      end if;
    end loop;
    close c_versions;
  exception
    when others then
      close c_versions;
      raise;
  end prune_versions;

  ------------------------------------------------------------------------------
  -- search_docs: documents whose title or body contains the term
  ------------------------------------------------------------------------------
  procedure search_docs (p_term in varchar2, p_rc out sys_refcursor) is
  begin
    open p_rc for
      select d.doc_id, d.title, d.version_no
        from documents d
       where instr(upper(d.title), upper(p_term)) > 0
          or dbms_lob.instr(d.body, p_term) > 0
       order by d.title;
  end search_docs;

end doc_store_pkg;
/
show errors
